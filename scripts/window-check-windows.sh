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
KLICE_WINDOWS=1 "$root/scripts/setup.sh"
# xdotool moves and clicks the mouse; ImageMagick's import photographs the screen.
for p in xdotool imagemagick; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="${missing:-} $p"
done
if [ -n "${missing:-}" ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq $missing
fi
"$root/scripts/build-windows.sh"
build="${KLICE_WINDOWS_BUILD_DIR:-$root/build-windows}"
seconds="${1:-60}"
renderers=("${@:2}")
[ ${#renderers[@]} -gt 0 ] || renderers=(gdi gl)
shots="$build/window-check"
mkdir -p "$shots"
export WINEPREFIX="$build/wine-check" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
wineserver -k 2>/dev/null || true

xvfb=""
display_file="$(mktemp)"
stop() {
  wineserver -k 2>/dev/null || true
  if [ -n "$xvfb" ]; then
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
  fi
  rm -f "$display_file"
}
trap stop EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb=$!
for _ in $(seq 200); do
  [ -s "$display_file" ] && break
  sleep 0.05
done
[ -s "$display_file" ] || { echo "the virtual X server did not start" >&2; exit 2; }
export DISPLAY=":$(head -n1 "$display_file")"
wineserver -p
wineboot --init >/dev/null 2>&1

shot() { import -window root "$shots/$1.png" && echo "$shots/$1.png"; }
cd "$build/game-data"
wine reg add 'HKCU\Software\Wine\Direct3D' /v renderer /d "${renderers[0]}" /f >/dev/null 2>&1
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
wineserver -k
wineserver -w

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
  wine reg add 'HKCU\Software\Wine\Direct3D' /v renderer /d "$renderer" /f >/dev/null 2>&1
  echo "== ${seconds} s of level 1, wine's $renderer renderer (load average $(cut -d' ' -f1-3 /proc/loadavg) before)"
  rc=0
  KLICE_X_SERVER_PID="$xvfb" wine "$build/bench/window_play_check.exe" "$seconds" "$shots/play-end-$renderer.png" ||
    rc=$?
  echo "   (load average $(cut -d' ' -f1-3 /proc/loadavg) after)"
  if [ "$rc" -gt "$status" ]; then status=$rc; fi
  wineserver -k
  wineserver -w
done
exit "$status"
