#!/usr/bin/env bash
# Plays replays with the headless game and checks their last line.
#   replay_check.sh KLICE_PLAY DATA_DIR REPLAY_DIR levels   every pNN.txt alone
#   replay_check.sh KLICE_PLAY DATA_DIR REPLAY_DIR full     full_game.txt from the title
# Line ends are compared without a carriage return (a Windows build writes one).
set -uo pipefail
play="$1" data="$2" dir="$3" what="$4"
failed=0

expect() {  # name, last line, wanted completed, wanted level
    local name="$1" last="$2" completed="$3" level="$4"
    if [[ "$last" != *" level=$level completed=$completed deaths=0 "* ]]; then
        echo "FAIL $name: $last (want level=$level completed=$completed deaths=0)"
        failed=1
    else
        echo "ok   $name: $last"
    fi
}

if [[ "$what" == levels ]]; then
    for n in $(seq 1 25); do
        f="$dir/p$(printf %02d "$n").txt"
        if [[ ! -f "$f" ]]; then echo "FAIL missing $f"; failed=1; continue; fi
        last="$("$play" --data "$data" --level "$n" --script "$f" | tail -n 1 | tr -d '\r')"
        expect "level $n" "$last" 1 $(( n % 25 + 1 ))
    done
else
    last="$("$play" --data "$data" --script "$dir/full_game.txt" | tail -n 1 | tr -d '\r')"
    expect "full game" "$last" 25 1
    # A tick is 10 ms of play.
    ticks="${last#ticks=}" ticks="${ticks%% *}"
    if [[ "$ticks" =~ ^[0-9]+$ ]]; then
        printf 'full game: %d ticks, %d min %02d s of play\n' "$ticks" $(( ticks / 6000 )) $(( ticks / 100 % 60 ))
    fi
fi
exit $failed
