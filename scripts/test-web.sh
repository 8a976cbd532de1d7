#!/usr/bin/env bash
# Builds the game for the browser (scripts/build-web.sh, which installs
# Emscripten and node) and every test program of that build, and runs them
# under node through ctest, as scripts/test-windows.sh runs the Windows ones
# under wine: the portable tests, the web backend's own, the level replays of
# the WebAssembly play tester. A test that needs what node lacks (a window,
# threads, a program folder) skips and says why.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build-web.sh"
build="${KLICE_WEB_BUILD_DIR:-$root/build-web}"
# Emscripten's JavaScript optimizer needs Debian's acorn.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
