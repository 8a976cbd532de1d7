#!/usr/bin/env bash
# Builds (as scripts/build.sh does) and runs every benchmark on the built
# data, headless. Arguments go to each benchmark, e.g.
#   scripts/bench.sh --benchmark_filter=Frame --benchmark_repetitions=5
# Results are also written as JSON to build/bench-results/NAME.json.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KLICE_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh"
export SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-dummy}"
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
results="$build/bench-results"
mkdir -p "$results"
found=0
for exe in "$build"/bench/*_bench; do
  [ -x "$exe" ] || continue
  found=1
  name="$(basename "$exe")"
  echo "== $name"
  "$exe" --benchmark_out="$results/$name.json" --benchmark_out_format=json "$@"
done
if [ "$found" = 0 ]; then
  echo "no benchmarks were built: is Google Benchmark installed?" >&2
  exit 1
fi
