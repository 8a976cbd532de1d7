#!/usr/bin/env bash
# Builds (as scripts/build.sh does) and plays the soak: an hour of seeded
# random play (360,000 ticks) through the title, the menu and every level,
# headless and silent. It fails when the resident memory at the end differs
# from that after the first minute by 1 MiB or more, or when the game shows
# an error. Arguments go to klice-soak, e.g.
#   scripts/soak.sh --seed 7 --ticks 60000
# In a sanitizer build the resident memory means little; pass --limit-kib 0
# and let the leak checker judge the end:
#   KLICE_BUILD_DIR=build-asan ASAN_OPTIONS=detect_leaks=1 scripts/soak.sh --limit-kib 0
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KLICE_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh"
exec "$build/tools/soak/klice-soak" --data "$build/game-data" "$@"
