#!/usr/bin/env bash
# Manual check of the game's sound on Windows: cross-builds, then plays a
# session on klice.exe under wine on a virtual X server, its sound captured
# through ALSA's file device (build-windows/.../directsound/alsa/capture.wav),
# and prints what was heard on which ticks. Not part of the test suite: it
# takes half a minute of real time and reports measurements for a person.
#   sound-check-windows.sh [--headless] [SCRIPT]
# SCRIPT defaults to the session in tests/platform/win32/directsound/manual/.
# --headless plays the same game headless on the same sound device, tick-
# exact, instead of klice.exe with real-time input.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mode=()
if [ "${1:-}" = --headless ]; then mode=(--headless); shift; fi
script="$(realpath "${1:-$root/tests/platform/win32/directsound/manual/sound_session.txt}")"
"$root/scripts/build-windows.sh"
build="${KLICE_WINDOWS_BUILD_DIR:-$root/build-windows}"
here="$build/tests/platform/win32/directsound"
source "$root/scripts/lib/xvfb.bash"
source "$root/scripts/lib/wine.bash"
# A prefix of its own: the renderer chosen below never reaches the tests'.
klice_wine_prefix "$build/wine-sound"
klice_start_xvfb 1280x1024
trap 'klice_wine_stop; klice_stop_xvfb' EXIT
# The capture device is chosen by the .asoundrc of this HOME.
export HOME="$here/alsa/capture-home"
klice_wine_session
klice_wine_alsa
# The game takes the display through DirectDraw: in a virtual desktop of
# 1024 x 768 wine can give it its mode, and the session points at the same
# screen the game shows.
klice_wine_desktop klice_session.exe klice.exe
# DirectDraw in wine through GDI keeps the game at its 100 ticks a second on
# a machine without a graphics card; through OpenGL it falls behind and the
# sounds come later than the session expects them.
klice_wine_renderer gdi
rc=0
wine "$here/klice_session.exe" "${mode[@]}" "$script" || rc=$?
echo "capture: $here/alsa/capture.wav"
exit "$rc"
