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
# A prefix of its own: the renderer chosen below never reaches the tests'.
export WINEPREFIX="$build/wine-sound" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
wineserver -k 2>/dev/null || true
HOME="$here/alsa/capture-home" xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wineboot --init >/dev/null 2>&1
  wine reg add "HKCU\\Software\\Wine\\Drivers" /v Audio /d alsa /f >/dev/null 2>&1
  # The game takes the display through DirectDraw: in a virtual desktop of
  # 1024 x 768 wine can give it its mode, and the session points at the
  # same screen the game shows.
  for program in klice_session.exe klice.exe; do
    wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$program\\Explorer" /v Desktop /d Klice /f >/dev/null 2>&1
  done
  wine reg add "HKCU\\Software\\Wine\\Explorer\\Desktops" /v Klice /d 1024x768 /f >/dev/null 2>&1
  # DirectDraw in wine through GDI keeps the game at its 100 ticks a second
  # on a machine without a graphics card; through OpenGL it falls behind
  # and the sounds come later than the session expects them.
  wine reg add "HKCU\\Software\\Wine\\Direct3D" /v renderer /d gdi /f >/dev/null 2>&1
  wine "$1/klice_session.exe" ${2:+"$2"} "$3"
  rc=$?
  wineserver -k
  exit $rc' bash "$here" "${mode[@]:-}" "$script"
echo "capture: $here/alsa/capture.wav"
