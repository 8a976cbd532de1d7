#!/usr/bin/env bash
# Cross-builds the game for 64-bit Windows into build-windows/ (or
# $KLICE_WINDOWS_BUILD_DIR): klice.exe, klice-play.exe and the test programs.
# The asset compiler runs on this machine, so the data files and the window
# resource come from a native build first (build/, or $KLICE_BUILD_DIR).
# With KLICE_WERROR=1 (as CI sets it) compiler warnings are errors.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
KLICE_WINDOWS=1 "$root/scripts/setup.sh"
host="${KLICE_BUILD_DIR:-$root/build}"
build="${KLICE_WINDOWS_BUILD_DIR:-$root/build-windows}"
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}" CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-true}"
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
werror=-DKLICE_WERROR=OFF
[ "${KLICE_WERROR:-0}" = 1 ] && werror=-DKLICE_WERROR=ON

# The host tools and what they compile (nothing else of the native build).
cmake -S "$root" -B "$host" -G Ninja "${launcher[@]}" "$werror" >/dev/null
cmake --build "$host" -j "$(nproc)" --target klice_game_data

cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" "$werror" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DKLICE_HOST_DATA_DIR="$host/game-data" -DKLICE_HOST_FORM_RESOURCE="$host/assets/TFORM1.bin" "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
