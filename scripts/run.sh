#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=Release
if [ -x "$root/build/bin/plumavo" ]; then
  exec "$root/build/bin/plumavo" "$@"
fi
# Until the window exists the headless front end shows what a project holds.
exec "$root/build/bin/plumavo-render" "${1:-$root/resources/samples/Fern.plv}"
