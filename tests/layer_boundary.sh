#!/usr/bin/env bash
# The layers: every include keeps to the table in cmake/layers.txt, no
# header internal to a folder is included from outside it, no files form a
# circle (tests/include_rules.py); only platform/sdl/ (and its tests)
# includes SDL headers, only platform/win32/ (and its tests) the Windows
# headers, only platform/web/ (and its tests) the Emscripten headers, and no
# layer above platform/ asks which system it is built for.
# tests/layer_boundary_planted.sh shows it failing on planted files.
#   layer_boundary.sh SOURCE_DIR
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cd "$1" || exit 2
sources=()
for dir in platform data display sound input game tools tests bench fuzz; do
  [ -d "$dir" ] && sources+=("$dir")
done
above=()
for dir in data display sound input game tools; do
  [ -d "$dir" ] && above+=("$dir")
done
failed=0
report() { echo "FAIL $1:"; sed 's/^/    /'; failed=1; }

sdl=$(grep -rnE '^\s*#\s*include\s*[<"](SDL2?/)?SDL[_a-z0-9]*\.h[>"]' "${sources[@]}" --include='*.cpp' --include='*.h' |
      grep -vE '^(tests/)?platform/sdl/')
[ -n "$sdl" ] && report "SDL headers outside platform/sdl/" <<<"$sdl"

win_headers='windows|winbase|winuser|wingdi|windef|winerror|winnt|mmsystem|ddraw|dsound|wincodec|objbase|ole2|xinput|shlobj|unknwn'
win=$(grep -rniE "^\s*#\s*include\s*[<\"]($win_headers)\.h[>\"]" "${sources[@]}" --include='*.cpp' --include='*.h' |
      grep -vE '^(tests/)?platform/win32/')
[ -n "$win" ] && report "Windows headers outside platform/win32/" <<<"$win"

web=$(grep -rnE '^\s*#\s*include\s*[<"]emscripten(/[a-z_0-9]+)?\.h[>"]' "${sources[@]}" --include='*.cpp' --include='*.h' |
      grep -vE '^(tests/)?platform/web/')
[ -n "$web" ] && report "Emscripten headers outside platform/web/" <<<"$web"

ifdefs=$(grep -rnE '^\s*#\s*(if|ifdef|ifndef|elif).*\b(_WIN32|_WIN64|WIN32|__MINGW32__|__MINGW64__|_MSC_VER|__linux__|__unix__|__APPLE__|__EMSCRIPTEN__)\b' \
         "${above[@]}" --include='*.cpp' --include='*.h')
[ -n "$ifdefs" ] && report "system tests (#ifdef) above platform/" <<<"$ifdefs"

python3 "$here/include_rules.py" . || failed=1

if [ "$failed" = 0 ]; then echo "ok   SDL only in platform/sdl/, Windows only in platform/win32/, Emscripten only in platform/web/, no #ifdef above"; fi
exit "$failed"
