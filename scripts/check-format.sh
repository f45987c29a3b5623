#!/usr/bin/env bash
# Fails, naming the files, when product code differs from .clang-format's
# layout. Fix with: clang-format -i FILE...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
mapfile -t files < <(git ls-files 'surface/*.cpp' 'surface/*.h' 'media/*.cpp' 'media/*.h' 'app/*.cpp' 'app/*.h' \
  'canvas/*.cpp' 'canvas/*.h' 'cli/*.cpp' 'editing/*.cpp' \
  'editing/*.h' 'model/*.cpp' 'model/*.h' 'render/*.cpp' 'render/*.h' 'fuzz/*.cpp')
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run -Werror "$f" > /dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  echo "Not in the house layout (run clang-format -i):"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "Layout: ${#files[@]} product files as .clang-format says."
