#!/usr/bin/env bash
# Fails, with the offending line, when product code includes a header of a
# higher layer. Layers, lowest first: pixels (render/surface), model, render,
# canvas and media (canvas/, app/avi/), editing, the Qt-free shell (app/shell/),
# app, cli. Tests, benchmarks, fuzz harnesses and tools may include anything.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
layer_of() {
  case "$1" in
    render/surface/*) echo "0 pixels" ;;
    model/*) echo "1 model" ;;
    render/*) echo "2 render" ;;
    canvas/* | app/avi/*) echo "3 canvas-and-media" ;;
    editing/*) echo "4 editing" ;;
    app/shell/*) echo "5 shell" ;;
    app/*) echo "6 app" ;;
    cli/*) echo "7 cli" ;;
    *) echo "" ;;
  esac
}
status=0
checked=0
while IFS= read -r file; do
  read -r own own_name <<< "$(layer_of "$file")"
  [ -n "${own:-}" ] || continue
  checked=$((checked + 1))
  while IFS=: read -r line header; do
    read -r other other_name <<< "$(layer_of "$header")" || true
    [ -n "${other:-}" ] || continue
    if [ "$other" -gt "$own" ]; then
      echo "$file:$line: includes \"$header\" ($other_name) from the lower layer $own_name"
      status=1
    fi
  done < <(grep -no '^#include "[^"]*"' "$file" | sed -E 's/^([0-9]+):#include "(.*)"/\1:\2/')
done < <(git ls-files '*.cpp' '*.h')
[ $status -eq 0 ] && echo "Layers: $checked product files include only their own layer and those below."
exit $status
