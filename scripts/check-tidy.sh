#!/usr/bin/env bash
# Runs .clang-tidy's checks over the product code of a configured build folder
# (default: build) and fails, with the finding, on any of them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cd "$root"
if [ ! -f "$build/compile_commands.json" ]; then
  echo "check-tidy: no $build/compile_commands.json (configure the build first)" >&2
  exit 1
fi
mapfile -t files < <(git ls-files 'surface/*.cpp' 'model/*.cpp' 'render/*.cpp' 'media/*.cpp' 'canvas/*.cpp' \
  'editing/*.cpp' 'app/*.cpp' 'cli/*.cpp')
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! run-clang-tidy -p "$build" -j "$(nproc)" -quiet "${files[@]}" > "$log" 2>&1; then
  grep -E '(warning|error):' "$log" | sed 's/\x1b\[[0-9;]*m//g' | sort -u
  echo "Tidy: findings in product code (see .clang-tidy for the checks)." >&2
  exit 1
fi
echo "Tidy: ${#files[@]} product files pass .clang-tidy's checks."
