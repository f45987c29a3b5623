#!/usr/bin/env bash
# Installs what is missing, checks layout and layers, builds with warnings as
# errors, runs the static checks of .clang-tidy, runs every test, then runs the
# widget-free core tests again under AddressSanitizer and UBSan.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/check-format.sh"
"$root/scripts/check-layers.sh"
jobs=$(nproc)
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=Release -DPLUMAVO_WERROR=ON
"$root/scripts/check-tidy.sh" "$root/build"
(cd "$root/build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")
"$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DPLUMAVO_WERROR=ON \
  -DPLUMAVO_SANITIZE=ON -DPLUMAVO_CORE_ONLY=ON -DPLUMAVO_BENCH=OFF
(cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$jobs")
