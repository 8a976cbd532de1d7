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

source "$root/scripts/lib/xvfb.bash"
trap klice_stop_xvfb EXIT

cd "$build/game-data"
status=0
for size in "${sizes[@]}"; do
  klice_start_xvfb "$size" || exit 2
  echo "== $size (load average $(cut -d' ' -f1-3 /proc/loadavg) before)"
  rc=0
  SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}" \
    KLICE_X_SERVER_PID="$KLICE_XVFB_PID" "$build/bench/window_play_check" "$seconds" || rc=$?
  echo "   (load average $(cut -d' ' -f1-3 /proc/loadavg) after)"
  klice_stop_xvfb
  if [ "$rc" -gt "$status" ]; then status=$rc; fi
done
exit "$status"
