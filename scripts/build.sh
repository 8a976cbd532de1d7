#!/usr/bin/env bash
# Configures and builds into build/ (or $KLICE_BUILD_DIR). With KLICE_WERROR=1
# (as CI sets it) compiler warnings are errors.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KLICE_BUILD_DIR:-$root/build}"
source "$root/scripts/lib/cmake-options.bash"
cmake -S "$root" -B "$build" "${cmake_options[@]}" "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
