#!/usr/bin/env bash
# Fails, with the offending line, when product code includes a header of a
# higher layer. Layers, lowest first, one folder each: surface (pixels), model,
# render, media (image files, decoder, AVI), canvas, editing, app (Qt), cli.
# Tests, benchmarks, fuzz harnesses and tools may include anything.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
layer_of() {
  case "$1" in
    surface/*) echo "0 surface" ;;
    model/*) echo "1 model" ;;
    render/*) echo "2 render" ;;
    media/*) echo "3 media" ;;
    canvas/*) echo "4 canvas" ;;
    editing/*) echo "5 editing" ;;
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
