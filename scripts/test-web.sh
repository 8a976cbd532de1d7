#!/usr/bin/env bash
# Builds the game for the browser (scripts/build-web.sh, which installs
# Emscripten, node and Chromium) and every test program of that build, and
# runs them under node through ctest, as scripts/test-windows.sh runs the
# Windows ones under wine: the portable tests, the web backend's own, the
# level replays of the WebAssembly play tester. A test that needs what node
# lacks (a window, threads, a program folder) skips and says why.
# Then the page itself in headless Chromium (tests/web/page_check.mjs): its
# frames against the desktop play tester's, its keys, its tick rate, its
# sound against the desktop's stored tune; without
# Chromium those checks skip and say why. Either part failing fails the script.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build-web.sh"
host="${KLICE_BUILD_DIR:-$root/build}"
build="${KLICE_WEB_BUILD_DIR:-$root/build-web}"
# Emscripten's JavaScript optimizer needs Debian's acorn.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"
cmake --build "$build" -j "$(nproc)"
suite=0
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" || suite=$?

cmake --build "$host" -j "$(nproc)" --target klice-play
page=0
node "$root/tests/web/page_check.mjs" --site "$build/site" --play "$host/tools/play/klice-play" \
  --data "$host/game-data" --out "$build/page-check" \
  --form "$host/assets/TFORM1.bin" --form-waves "$host/web-form/TFORM1.waves" || page=$?
if [ "$page" = 77 ]; then
  page=0  # skipped, with its reason printed
elif [ "$page" != 0 ]; then
  echo "The page checks failed; the frames are in $build/page-check/" >&2
fi
[ "$suite" = 0 ] || echo "The node suite failed (ctest status $suite)" >&2
[ "$suite" = 0 ] && [ "$page" = 0 ]
