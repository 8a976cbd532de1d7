#!/usr/bin/env bash
# Plays replays with the headless game, checks their last line and compares
# the game's state with their hashes tick for tick (klice-play --check).
#   replay_check.sh KLICE_PLAY DATA_DIR REPLAY_DIR levels LEVELS  every pNN.txt alone
#   replay_check.sh KLICE_PLAY DATA_DIR REPLAY_DIR full            full_game.txt from the title
#   replay_check.sh KLICE_PLAY DATA_DIR REPLAY_DIR faults          every replay of a fault (tests/replays)
# A fault's replay may say what its run must show ("# expect:" lines,
# scripts/lib/replays.bash), checked on the run's log besides the hashes.
# LEVELS is the game's number of levels (kLevelCount).
# Line ends are compared without a carriage return (a Windows build writes one).
# After an intended change of the rules or the content, scripts/regenerate-hashes.sh
# writes the hashes again.
set -uo pipefail
play="$1" data="$2" dir="$3" what="$4" count="${5:-}"
source "$(dirname "$0")/../../scripts/lib/replays.bash"
failed=0
logs="$(mktemp -d)"
trap 'rm -rf "$logs"' EXIT

# check NAME FILE: plays the replay FILE against its hashes; its last line
# is left in $last.
check() {
    local name="$1" file="$2" hashes output status want unmet options=() log=()
    last=""
    hashes="$(replay_hashes "$file")"
    if [[ ! -f "$hashes" ]]; then
        echo "FAIL $name: no $hashes (scripts/regenerate-hashes.sh writes it)"
        failed=1
        return
    fi
    mapfile -t options < <(replay_options "$file")
    [[ -n "$(replay_expectations "$file")" ]] && log=(--log "$logs/$name.log")
    output="$("$play" --data "$data" "${options[@]}" --script "$file" --check "$hashes" "${log[@]}" | tr -d '\r')"
    status=${PIPESTATUS[0]}
    last="$(tail -n 1 <<<"$output")"
    want="$(replay_expect "$file")"
    unmet=""
    [[ ${#log[@]} -gt 0 ]] && unmet="$(unmet_expectations "$file" "$logs/$name.log")"
    if [[ -n "$unmet" ]]; then
        echo "FAIL $name: not what the replay must show (its fault back?):"
        sed 's/^/     /' <<<"$unmet"
        [[ $status -ne 0 ]] && sed 's/^/     /' <<<"$output"
        grep -m1 '^# fault:' "$file" | sed 's/^# /     the replay of a /'
        failed=1
    elif [[ $status -ne 0 ]]; then
        echo "FAIL $name (exit status $status):"
        sed 's/^/     /' <<<"$output"
        grep -m1 '^# fault:' "$file" | sed 's/^# /     the replay of a /'
        failed=1
    elif [[ -n "$want" && "$last " != *"$want"* ]]; then
        echo "FAIL $name: $last (want${want% })"
        failed=1
    else
        echo "ok   $name: $last"
    fi
}

case "$what" in
    levels)
        for n in $(seq 1 "$count"); do
            f="$dir/p$(printf %02d "$n").txt"
            if [[ ! -f "$f" ]]; then echo "FAIL missing $f"; failed=1; continue; fi
            check "level $n" "$f"
        done
        ;;
    full)
        check "full game" "$dir/full_game.txt"
        # A tick is 10 ms of play.
        ticks="${last#ticks=}" ticks="${ticks%% *}"
        if [[ "$ticks" =~ ^[0-9]+$ ]]; then
            printf 'full game: %d ticks, %d min %02d s of play\n' "$ticks" $((ticks / 6000)) $((ticks / 100 % 60))
        fi
        ;;
    faults)
        shopt -s nullglob
        files=("$dir"/*.txt)
        if [[ ${#files[@]} -eq 0 ]]; then echo "FAIL no replays in $dir"; failed=1; fi
        for f in "${files[@]}"; do check "$(basename "$f" .txt)" "$f"; done
        ;;
    *)
        echo "replay_check.sh: unknown set '$what' (levels, full or faults)"
        failed=1
        ;;
esac
exit $failed
