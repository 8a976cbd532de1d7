#!/usr/bin/env bash
# Sets up, checks the formatting, builds and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/check-format.sh"
"$root/scripts/build.sh"
build="${KLICE_BUILD_DIR:-$root/build}"
status=0
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" || status=$?
# The level checker's table (length, idle share, jumps, objects to read,
# narrowest timing window, score, floors per level), which ctest shows only
# on failure, from its log.
log="$build/Testing/Temporary/LastTest.log"
if [ -f "$log" ]; then
  awk '/^level  ticks/ {on = 1} on && !/^([0-9]+ | |level |all levels|score by|FAIL)/ {on = 0} on' "$log"
fi
exit "$status"
