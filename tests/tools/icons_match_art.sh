#!/usr/bin/env bash
# The committed icons (assets/icons) are what klice-artgen draws now: a
# change to the art that was not redrawn shows here.
#   icons_match_art.sh KLICE_ARTGEN ICONS_DIR
set -uo pipefail
artgen="$1" committed="$2"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
"$artgen" --icons "$tmp" || exit 1
failed=0
for drawn in "$tmp"/*; do
    name="$(basename "$drawn")"
    if ! cmp -s "$drawn" "$committed/$name"; then
        echo "FAIL $name differs from what klice-artgen draws (redraw: klice-artgen assets)"
        failed=1
    fi
done
for kept in "$committed"/*; do
    [ -e "$tmp/$(basename "$kept")" ] || { echo "FAIL $(basename "$kept") is no longer drawn"; failed=1; }
done
[ "$failed" = 0 ] && echo "ok   $(ls "$tmp" | wc -l) icon files as drawn"
exit $failed
