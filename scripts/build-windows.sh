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
source "$root/scripts/lib/cmake-options.bash"

# The host tools and what they compile (nothing else of the native build).
cmake -S "$root" -B "$host" "${cmake_options[@]}" >/dev/null
cmake --build "$host" -j "$(nproc)" --target klice_game_data

cmake -S "$root" -B "$build" "${cmake_options[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DKLICE_HOST_DATA_DIR="$host/game-data" -DKLICE_HOST_FORM_RESOURCE="$host/assets/TFORM1.bin" "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
