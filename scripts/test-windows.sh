#!/usr/bin/env bash
# Cross-builds for Windows and runs every Windows test program under wine on
# a virtual X server of its own through ctest, the 25 level replays and the full-game
# replay of klice-play.exe among them. Wine keeps its own prefix in the build
# folder (build-windows/wine), made on the first run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build-windows.sh"
build="${KLICE_WINDOWS_BUILD_DIR:-$root/build-windows}"
source "$root/scripts/lib/xvfb.bash"
source "$root/scripts/lib/wine.bash"
# The Windows programs run in wine's prefix of this build. Everything wine
# starts belongs to this script's virtual X server.
klice_wine_prefix "$build/wine"
klice_start_xvfb 1280x1024
trap 'klice_wine_stop; klice_stop_xvfb' EXIT
set +e
# Wine plays through ALSA, whose device each sound test program chooses with
# the .asoundrc of its private HOME (tests/platform/win32/directsound/).
klice_wine_session
klice_wine_alsa
# Now and then wine fails to start a test program at all (no output, a
# failure in a hundredth of a second); such a test runs once more, and the
# first attempt stays in the log.
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --repeat until-pass:2 -LE system_display
rc=$?
klice_wine_stop
# The tests of the system display (DirectDraw) in a session of their own, in
# a virtual desktop of 1024 x 768 where wine changes the display mode (the X
# screen cannot) and another program can take the display from them. Its
# mode would be the screen of every other program in the session. The sound
# tests that start klice.exe run here too: the game takes the display as
# soon as it starts.
klice_wine_session
klice_wine_alsa
klice_wine_desktop ddraw_tests.exe system_display_tests.exe directsound_tests.exe no_sound_device_tests.exe klice.exe
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --repeat until-pass:2 -L system_display
display_rc=$?
[ "$rc" -ne 0 ] && exit "$rc"
exit "$display_rc"
