#!/usr/bin/env bash
# The committed pictures, icons and picture lists are what klice-artgen
# draws now from the art code and the tile maps: a change to either that was
# not redrawn shows here, naming the file.
#   art_matches.sh KLICE_ARTGEN ASSETS_DIR
set -uo pipefail
artgen="$1" committed="$2"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
# klice-artgen writes into the folders of an assets tree and reads the maps.
(cd "$committed" && find pictures icons -type d) | while read -r dir; do mkdir -p "$tmp/$dir"; done
cp "$committed"/pictures/krajina/*.map "$tmp/pictures/krajina/"
cp -r "$committed"/levels "$tmp/"  # the start plates' sockets
"$artgen" "$tmp" || exit 1
failed=0 drawn_count=0
while read -r rel; do
    drawn_count=$((drawn_count + 1))
    if [ ! -e "$committed/$rel" ]; then
        echo "FAIL $rel is drawn but not committed (redraw: klice-artgen assets)"
        failed=1
    elif ! cmp -s "$tmp/$rel" "$committed/$rel"; then
        echo "FAIL $rel differs from what klice-artgen draws (redraw: klice-artgen assets)"
        failed=1
    fi
done < <(cd "$tmp" && find . -type f ! -name '*.map' ! -path './levels/*' | sed 's|^\./||' | sort)
# Every committed picture and icon is one that is still drawn.
while read -r rel; do
    [ -e "$tmp/$rel" ] || { echo "FAIL $rel is no longer drawn"; failed=1; }
done < <(cd "$committed" && find pictures icons -type f ! -name '*.map' | sort)
[ "$failed" = 0 ] && echo "ok   $drawn_count files as drawn"
exit $failed
