#!/usr/bin/env bash
# Builds the game for the browser with Emscripten into build-web/ (or
# $KLICE_WEB_BUILD_DIR) and lays out the site in build-web/site/: index.html,
# klice.js, klice.wasm, klice.data (the data files, preloaded) and the icons.
# As for Windows, the data files and the window resource come from a native
# build first (build/, or $KLICE_BUILD_DIR); krajina.dat, the level
# backgrounds, lies beside the page: it is fetched after the title shows.
# Extra arguments go to cmake.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
KLICE_WEB=1 "$root/scripts/setup.sh"
host="${KLICE_BUILD_DIR:-$root/build}"
build="${KLICE_WEB_BUILD_DIR:-$root/build-web}"
source "$root/scripts/lib/cmake-options.bash"
# Emscripten's JavaScript optimizer needs Debian's acorn.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"

cmake -S "$root" -B "$host" "${cmake_options[@]}" >/dev/null
# The page's window resource comes without the long tunes' samples: the
# page synthesizes them (tools/webform).
cmake --build "$host" -j "$(nproc)" --target klice_game_data klice_web_form

emcmake cmake -S "$root" -B "$build" "${cmake_options[@]}" -DCMAKE_BUILD_TYPE=MinSizeRel -DKLICE_BENCH=OFF \
  -DKLICE_HOST_DATA_DIR="$host/game-data" -DKLICE_HOST_FORM_RESOURCE="$host/assets/TFORM1.bin" -DKLICE_HOST_WEB_FORM_DIR="$host/web-form" "$@" >/dev/null
cmake --build "$build" -j "$(nproc)" --target klice

site="$build/site"
mkdir -p "$site/icons"
cp "$root/platform/web/site/index.html" "$site/"
cp "$build/game/klice.js" "$build/game/klice.wasm" "$build/game/klice.data" "$site/"
cp "$build/game-data/krajina.dat" "$site/"
cp "$root"/assets/icons/*.png "$site/icons/"
echo "The site is in $site"
