#!/usr/bin/env bash
# Sets up, builds into build-asan/ (or $KLICE_BUILD_DIR) with AddressSanitizer
# and UndefinedBehaviorSanitizer, and runs every test, stopping a test at the
# first report of either (leaks included).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export KLICE_BUILD_DIR="${KLICE_BUILD_DIR:-$root/build-asan}"
"$root/scripts/setup.sh"
# Benchmarks are timed in the plain build; here they would only cost time.
"$root/scripts/build.sh" -DKLICE_SANITIZE=ON -DKLICE_BENCH=OFF
export ASAN_OPTIONS="${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
ctest --test-dir "$KLICE_BUILD_DIR" --output-on-failure -j "$(nproc)"
