#!/usr/bin/env bash
# Manual check of the game's display on Windows (DirectDraw), under wine on
# a virtual X server of 1024 x 768 at 24 bits, the size of the game's mode,
# so that wine can take the exclusive mode on the X screen itself (it shows
# the 16-bit mode on the 24-bit screen). Not part of the test suite: it runs
# in real time and reports for a person.
#   window-check-windows.sh [SECONDS [RENDERER...]]
# First klice.exe is started and the screen is photographed: the title, the
# title with its text, the menu, the menu with the mouse over the start box,
# level 1 after a click on it (build-windows/window-check/*.png). Then
# window_play_check.exe plays SECONDS (default 60) of level 1 for each of
# wine's DirectDraw renderers named (default: gdi, then gl) and reports ticks
# a second, late ticks, the share of a core and a play tick against a frame
# memcpy, as scripts/window-check.sh does on Linux. Before that, the start-up
# of the game to its first title frame is measured 7 times
# (window_play_check.exe --title, which opens the game as klice.exe does):
# the median of the whole command, wine's start included, and of the part
# from the creation of the game's process on, which is ours. Wine draws DirectDraw
# through its Direct3D layer: "gl" is its default, OpenGL, which on a virtual
# X server without a graphics card is Mesa's software rasterizer and moves
# every locked or probed surface between two memories; "gdi" is its plain
# 2D path. The runs use a wine prefix of their own (build-windows/wine-check)
# so that the renderer chosen here never reaches the tests' prefix.
# Exits with the highest of window_play_check's codes.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/lib/packages.bash"
source "$root/scripts/lib/xvfb.bash"
source "$root/scripts/lib/wine.bash"
KLICE_WINDOWS=1 "$root/scripts/setup.sh"
# xdotool moves and clicks the mouse; ImageMagick's import photographs the screen.
klice_need_packages xdotool imagemagick
"$root/scripts/build-windows.sh"
build="${KLICE_WINDOWS_BUILD_DIR:-$root/build-windows}"
seconds="${1:-60}"
renderers=("${@:2}")
[ ${#renderers[@]} -gt 0 ] || renderers=(gdi gl)
shots="$build/window-check"
mkdir -p "$shots"
klice_wine_prefix "$build/wine-check"
klice_start_xvfb 1024x768 || exit 2
trap 'klice_wine_stop; klice_stop_xvfb' EXIT
klice_wine_session

shot() { import -window root "$shots/$1.png" && echo "$shots/$1.png"; }
cd "$build/game-data"
klice_wine_renderer "${renderers[0]}"
wine "$build/game/klice.exe" &
for _ in $(seq 300); do
  xdotool search --name 'Klíče' >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 2
shot title
sleep 2.5  # its text from the title's 200th tick on
shot title-text
# The title lasts 5 s of ticks after the data are loaded.
sleep 6
shot menu
xdotool mousemove 895 110  # the start box's centre (game/screens.h)
sleep 1
shot menu-start-box
xdotool click 1
sleep 2
shot level1
klice_wine_stop

# Start-up to the first title frame, on the first renderer.
wine reg add 'HKCU\Software\Wine\Direct3D' /v renderer /d "${renderers[0]}" /f >/dev/null 2>&1
echo "== start-up to the first title frame, 7 runs, wine's ${renderers[0]} renderer" \
  "(load average $(cut -d' ' -f1-3 /proc/loadavg) before)"
wholes=() ours=()
for _ in $(seq 7); do
  started=$(date +%s%N)
  line="$(wine "$build/bench/window_play_check.exe" --title | tr -d '\r')"
  wholes+=("$(( ($(date +%s%N) - started) / 1000000 ))")
  ours+=("$(sed -n 's/.*first title frame \([0-9.]*\) ms.*/\1/p' <<<"$line")")
  echo "   $line"
done
median() { printf '%s\n' "$@" | sort -g | sed -n 4p; }
echo "   median: the whole command $(median "${wholes[@]}") ms, of which from the game's process on $(median "${ours[@]}") ms"
echo "   (load average $(cut -d' ' -f1-3 /proc/loadavg) after)"

status=0
for renderer in "${renderers[@]}"; do
  klice_wine_renderer "$renderer"
  echo "== ${seconds} s of level 1, wine's $renderer renderer (load average $(cut -d' ' -f1-3 /proc/loadavg) before)"
  rc=0
  KLICE_X_SERVER_PID="$KLICE_XVFB_PID" wine "$build/bench/window_play_check.exe" "$seconds" "$shots/play-end-$renderer.png" ||
    rc=$?
  echo "   (load average $(cut -d' ' -f1-3 /proc/loadavg) after)"
  if [ "$rc" -gt "$status" ]; then status=$rc; fi
  klice_wine_stop
done
exit "$status"
