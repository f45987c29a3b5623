#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs them: the blend kernels, whole
# renders (RenderImage_*, RenderImageAfterPaint_*) and drag steps through the
# window (DragStep_*) and start-up (Startup_*). Extra arguments go to every benchmark program, e.g.
#   scripts/bench.sh --benchmark_filter=DragStep --benchmark_repetitions=9
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=Release -DPLUMAVO_BENCH=ON
args=("$@")
[ ${#args[@]} -gt 0 ] || args=(--benchmark_repetitions=9 --benchmark_report_aggregates_only=true)
for b in plumavo_bench_blend plumavo_bench_render plumavo_bench_drag plumavo_bench_startup; do
  [ -x "$root/build/bin/$b" ] || continue
  echo "== $b"
  QT_QPA_PLATFORM=offscreen "$root/build/bin/$b" "${args[@]}" || echo "($b ran nothing of that filter, or failed)"
done
