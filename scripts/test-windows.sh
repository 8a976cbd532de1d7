#!/usr/bin/env bash
# Cross-builds for Windows and runs every Windows test program under wine on
# a virtual X server through ctest, the 25 level replays and the full-game
# replay of klice-play.exe among them. Wine keeps its own prefix in the build
# folder (build-windows/wine), made on the first run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build-windows.sh"
build="${KLICE_WINDOWS_BUILD_DIR:-$root/build-windows}"
# The Windows programs run in wine's prefix of this build, quietly, without
# the Mono and Gecko installers wine would otherwise offer.
export WINEPREFIX="$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
# Everything wine starts belongs to this display: a wine server left from
# another run (with its desktop on another display) is stopped first.
wineserver -k 2>/dev/null || true
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -uo pipefail
  session() {
    wineserver -p  # kept running between the test programs
    # Wine starts its desktop and services with the first program and they
    # inherit its output: started here, they hold no pipe of ctest open.
    wineboot --init >/dev/null 2>&1
    # Wine plays through ALSA, whose device each sound test program chooses
    # with the .asoundrc of its private HOME (tests/platform/win32/directsound/).
    wine reg add "HKCU\\Software\\Wine\\Drivers" /v Audio /d alsa /f >/dev/null 2>&1
  }
  session
  # Now and then wine fails to start a test program at all (no output, a
  # failure in a hundredth of a second); such a test runs once more, and
  # the first attempt stays in the log.
  ctest --test-dir "$1" --output-on-failure -j "$(nproc)" --repeat until-pass:2 -LE system_display
  rc=$?
  wineserver -k && wineserver -w
  # The tests of the system display (DirectDraw) in a session of their own,
  # in a virtual desktop of 1024 x 768 where wine changes the display mode
  # (the X screen cannot) and another program can take the display from
  # them. Its mode would be the screen of every other program in the session.
  # The sound tests that start klice.exe run here too: the game takes the
  # display as soon as it starts.
  session
  for program in ddraw_tests.exe system_display_tests.exe directsound_tests.exe no_sound_device_tests.exe klice.exe; do
    wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$program\\Explorer" /v Desktop /d Klice /f >/dev/null 2>&1
  done
  wine reg add "HKCU\\Software\\Wine\\Explorer\\Desktops" /v Klice /d 1024x768 /f >/dev/null 2>&1
  ctest --test-dir "$1" --output-on-failure -j "$(nproc)" --repeat until-pass:2 -L system_display
  display_rc=$?
  wineserver -k
  [ "$rc" -ne 0 ] && exit "$rc"
  exit "$display_rc"' bash "$build"
