#!/bin/sh
# Rebuilds resources/brushes/brushes.bin and contact-sheet.png.
#   tools/brushgen/make_brushes.sh [build folder]
set -e
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-"${TMPDIR:-/tmp}/plumavo-brushgen"}
cmake -S "$here" -B "$build" -G Ninja >/dev/null
cmake --build "$build"
QT_QPA_PLATFORM=offscreen "$build/brushgen" "$root/resources/brushes"
