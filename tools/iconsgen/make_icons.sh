#!/bin/sh
# Rebuilds the pictures in resources/icons.
#   tools/iconsgen/make_icons.sh [build folder]
set -e
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-"$root/build-iconsgen"}
cmake -S "$here" -B "$build" -G Ninja >/dev/null
cmake --build "$build"
QT_QPA_PLATFORM=offscreen "$build/iconsgen" "$root/resources/icons" "$root/resources/Textures"
