#!/usr/bin/env bash
# Plays a minute (or SECONDS) of level 1 in the real window under a virtual
# X server at 1024 x 768 and reports ticks a second, tick lateness and CPU.
#   scripts/window-check.sh [SECONDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KLICE_BUILD_DIR:-$root/build}"
"$root/scripts/setup.sh"
if ! command -v xvfb-run >/dev/null; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq xvfb xauth
fi
"$root/scripts/build.sh"
cd "$build/game-data"
SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}" xvfb-run -a -s "-screen 0 1024x768x24" \
  "$build/bench/window_play_check" "${1:-60}"
