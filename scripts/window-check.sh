#!/usr/bin/env bash
# Plays a minute (or SECONDS) of level 1 in the real window under a virtual
# X server, once for each screen size (1024x768, 1280x1024 and 1920x1080, or
# the sizes given), and reports for each: ticks a second, the latest tick,
# the ticks given up, the share of a core the game and the X server used and
# the frames shown a second, with the machine's load average around the run.
#   scripts/window-check.sh [SECONDS [WIDTHxHEIGHT...]]
# Exits 1 when any size missed 100 ticks a second, had a tick more than 5 ms
# late or used a quarter of a core or more (2 when the check could not run).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KLICE_BUILD_DIR:-$root/build}"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
seconds="${1:-60}"
sizes=("${@:2}")
[ ${#sizes[@]} -gt 0 ] || sizes=(1024x768 1280x1024 1920x1080)

xvfb=""
display_file="$(mktemp)"
stop_xvfb() {
  if [ -n "$xvfb" ]; then
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    xvfb=""
  fi
}
trap 'stop_xvfb; rm -f "$display_file"' EXIT

cd "$build/game-data"
status=0
for size in "${sizes[@]}"; do
  : >"$display_file"
  # Xvfb picks a free display and writes its number once it takes connections.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$display_file" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 200); do
    [ -s "$display_file" ] && break
    sleep 0.05
  done
  if [ ! -s "$display_file" ]; then
    echo "$size: the virtual X server did not start" >&2
    exit 2
  fi
  echo "== $size (load average $(cut -d' ' -f1-3 /proc/loadavg) before)"
  rc=0
  DISPLAY=":$(head -n1 "$display_file")" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}" \
    KLICE_X_SERVER_PID="$xvfb" "$build/bench/window_play_check" "$seconds" || rc=$?
  echo "   (load average $(cut -d' ' -f1-3 /proc/loadavg) after)"
  stop_xvfb
  if [ "$rc" -gt "$status" ]; then status=$rc; fi
done
exit "$status"
