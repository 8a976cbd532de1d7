#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz/ (or $KLICE_FUZZ_BUILD_DIR)
# and runs each for SECONDS (default 60) over its corpus in fuzz/corpus/.
# New inputs go to a scratch folder, so the committed corpora stay small; a
# finding stops that target, leaves its input in the build folder and makes
# the script fail at the end. Every target runs with the game's own data
# budget (platform/data_budget.h) and no cap of its own, under memory limits
# a reader within that budget keeps to: 512 MB resident, no single
# allocation above 160 MB. The build takes the options every build does
# (scripts/lib/cmake-options.bash: the compiler cache; KLICE_WERROR=1 makes
# warnings errors). Extra arguments go to every target (e.g. -jobs=2).
#   scripts/fuzz.sh [SECONDS] [libFuzzer options...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift || true
build="${KLICE_FUZZ_BUILD_DIR:-$root/build-fuzz}"
targets=(component_stream dib wave picture_collection level)
source "$root/scripts/lib/cmake-options.bash"

cmake -S "$root" -B "$build" "${cmake_options[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKLICE_FUZZ=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/%/_fuzz}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
failed=()
for t in "${targets[@]}"; do
  scratch="$build/fuzz/scratch/$t"
  artifacts="$build/fuzz/findings/$t/"
  mkdir -p "$scratch" "$artifacts"
  echo "== $t: ${seconds}s"
  if ! "$build/fuzz/${t}_fuzz" "$scratch" "$root/fuzz/corpus/$t" \
      -max_total_time="$seconds" -timeout=25 -rss_limit_mb=512 -malloc_limit_mb=160 -max_len=65536 \
      -artifact_prefix="$artifacts" -print_final_stats=1 "$@" 2>"$build/fuzz/$t.log"; then
    failed+=("$t")
    tail -n 60 "$build/fuzz/$t.log"
  fi
  grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb|cov:" "$build/fuzz/$t.log" | tail -n 3 || true
done
if ((${#failed[@]})); then
  echo "fuzz findings in: ${failed[*]} (inputs in $build/fuzz/findings/)"
  exit 1
fi
