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
export WINEPREFIX="$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
wineserver -k 2>/dev/null || true
HOME="$here/alsa/capture-home" xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wineboot --init >/dev/null 2>&1
  wine reg add "HKCU\\Software\\Wine\\Drivers" /v Audio /d alsa /f >/dev/null 2>&1
  wine "$1/klice_session.exe" ${2:+"$2"} "$3"
  rc=$?
  wineserver -k
  exit $rc' bash "$here" "${mode[@]:-}" "$script"
echo "capture: $here/alsa/capture.wav"
