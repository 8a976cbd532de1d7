#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config
          libsdl2-dev libsdl2-ttf-dev libjpeg-dev libpng-dev
          libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core
          clang-format libx11-dev xvfb python3)
[ "${KLICE_FUZZ:-0}" = 1 ] && packages+=(clang libclang-rt-14-dev)
# The Windows cross build and its tests under wine on a virtual X server.
# Its sound tests capture wine's ALSA output in real time with a script of
# their own (python3).
[ "${KLICE_WINDOWS:-0}" = 1 ] && packages+=(g++-mingw-w64-x86-64-posix mingw-w64-tools googletest wine wine64
                                             xvfb xauth zip unzip python3)
# The browser build: Emscripten, Debian's stb compiled in, GoogleTest's
# sources, node to run the tests, Chromium to look at the page.
[ "${KLICE_WEB:-0}" = 1 ] && packages+=(emscripten libstb-dev googletest nodejs node-acorn chromium python3)
source "$(dirname "$0")/lib/packages.bash"
klice_need_packages "${packages[@]}"
