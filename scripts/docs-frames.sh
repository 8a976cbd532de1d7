#!/usr/bin/env bash
# Writes the README's screenshots to docs/ with the headless play tester:
# the title, the menu, and two levels in the middle of their replays.
# Builds first when the tester or the data are missing.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KLICE_BUILD_DIR:-$root/build}"
play="$build/tools/play/klice-play"
data="$build/game-data"
if [[ ! -x "$play" || ! -f "$data/p25.dat" ]]; then
    KLICE_BUILD_DIR="$build" "$root/scripts/build.sh"
fi
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# frame NAME ARGS...: plays with ARGS and keeps the last frame as docs/NAME.png
frame() {
    local name="$1"
    shift
    "$play" --data "$data" --frames "$tmp/$name" "$@" >/dev/null
    mv "$tmp/$name"/frame-*.png "$root/docs/$name.png"
    echo "docs/$name.png"
}

mkdir -p "$root/docs"
frame title --ticks 250                    # the loading line shows after tick 200
frame menu --ticks 520                     # the menu comes at tick 501
frame level01 --level 1 --script "$root/assets/replays/p01.txt" --ticks 40
frame level25 --level 25 --script "$root/assets/replays/p25.txt" --ticks 200
