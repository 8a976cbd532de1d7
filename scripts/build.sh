#!/usr/bin/env bash
# Configures and builds into build/ (or $KLICE_BUILD_DIR). With KLICE_WERROR=1
# (as CI sets it) compiler warnings are errors.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KLICE_BUILD_DIR:-$root/build}"
launcher=()
# A compiler cache, when the machine has one, makes rebuilds in other
# checkouts of the same sources cheap: paths are made relative to the
# checkout and the build folder's own path is left out of the hash.
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}" CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-true}"
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
werror=-DKLICE_WERROR=OFF
[ "${KLICE_WERROR:-0}" = 1 ] && werror=-DKLICE_WERROR=ON
cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" "$werror" "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
