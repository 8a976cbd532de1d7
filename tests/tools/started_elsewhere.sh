#!/usr/bin/env bash
# The play tester started from another folder, as a shortcut or a desktop
# menu starts a program: copied beside the data files (as the Windows zip
# lays them out), it finds them there and reaches play on level 1; copied
# alone, it fails on the working folder's krajina.dat, the first path it
# looked at, with the game's own message.
#   started_elsewhere.sh PROGRAM DATA_DIR INSTALLED_DATA_DIR [RUNNER]
# RUNNER (wine, for a cross build) runs the program. INSTALLED_DATA_DIR is
# where this build looks last: when a game is installed there, the second
# half cannot fail and is left out.
set -uo pipefail
program="$1" data="$2" installed="$3" runner="${4:-}"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
name="$(basename "$program")"
mkdir -p "$tmp/Klice" "$tmp/alone" "$tmp/elsewhere"
cp "$program" "$data"/*.dat "$data"/*.ttf "$tmp/Klice/"
cp "$program" "$tmp/alone/"
cd "$tmp/elsewhere" || exit 2
failed=0

out="$($runner "$tmp/Klice/$name" --level 1 --ticks 20 --log "$tmp/log.jsonl" 2>&1 | tr -d '\r')"
last="$(tail -n 1 "$tmp/log.jsonl" 2>/dev/null)"
if grep -q '^error:' <<<"$out" || [[ "$last" != '{"tick":20,"mode":"play","level":1,'* ]]; then
    echo "FAIL beside its data, started elsewhere: $out"
    echo "     last tick: $last"
    failed=1
else
    echo "ok   beside its data, started elsewhere: play on level 1 ($out)"
fi

if [ -f "$installed/krajina.dat" ]; then
    echo "skip alone: a game is installed in $installed, where the data would be found"
else
    out="$($runner "$tmp/alone/$name" --ticks 1 2>&1 | tr -d '\r')"
    if grep -qE '^error: Cannot open file ".*elsewhere[/\\]krajina\.dat"' <<<"$out"; then
        echo "ok   alone: $(grep -m1 '^error:' <<<"$out")"
    else
        echo "FAIL alone, the message should name the working folder's krajina.dat: $out"
        failed=1
    fi
fi
exit $failed
