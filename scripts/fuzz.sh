#!/usr/bin/env bash
# Builds the libFuzzer harnesses of fuzz/ with clang and runs each for SECONDS
# (default 20), starting from its seed corpus in fuzz/corpus/NAME. Exits
# non-zero on any crash, leak or time-out; the input that caused it is left in
# fuzz-findings/NAME/ (crash-*, leak-*, timeout-*).
#   scripts/fuzz.sh [SECONDS] [NAME...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
shift || true
"$root/scripts/deps.sh"
build="$root/build-fuzz"
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLUMAVO_FUZZ=ON \
    -DPLUMAVO_WERROR=ON > /dev/null
fi
cmake --build "$build"
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for f in "$build"/bin/*_fuzz; do names+=("$(basename "$f" _fuzz)"); done
fi
status=0
for name in "${names[@]}"; do
  findings="$root/fuzz-findings/$name"
  work=$(mktemp -d)
  mkdir -p "$findings"
  # The seed corpus stays as it is in the repository; new inputs go to a
  # scratch folder read after the seeds.
  cp -r "$root/fuzz/corpus/$name/." "$work/" 2>/dev/null || true
  echo "== $name: ${seconds} s"
  if ! ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
      "$build/bin/${name}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=262144 \
      -artifact_prefix="$findings/" -print_final_stats=1 "$work" 2> "$findings/log.txt"; then
    echo "!! $name failed; see $findings/"
    tail -30 "$findings/log.txt"
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$findings/log.txt" | sed "s/^/   /" || true
  rm -rf "$work"
done
exit $status
