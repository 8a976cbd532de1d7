# Sourced by tests/tools/replay_check.sh and scripts/regenerate-hashes.sh:
# how each replay is played and what it must end with. A replay is a
# klice-play script NAME.txt with its state hashes beside it in NAME.hashes.
#
#   assets/replays/pNN.txt        level NN alone (--level NN); must leave it
#   assets/replays/full_game.txt  from the title through all 25 levels
#   tests/replays/NAME.txt        a fault that once was: its "# play:" line
#                                 gives the options, its "# fault:" line says
#                                 what went wrong; only its hashes are checked

# replay_options FILE: the play tester's options for the replay (one a line).
replay_options() {
  local base
  base="$(basename "$1" .txt)"
  if [[ "$base" =~ ^p([0-9][0-9])$ ]]; then
    printf '%s\n' --level "$((10#${BASH_REMATCH[1]}))"
  elif [[ "$base" != full_game ]]; then
    sed -n 's/^# play: *//p' "$1" | head -n 1 | tr ' ' '\n' | sed '/^$/d'
  fi
}

# replay_expect FILE: what the last line of a level or full-game replay must
# hold (" level=2 completed=1 deaths=0 "), empty for a fault's replay.
replay_expect() {
  local base
  base="$(basename "$1" .txt)"
  if [[ "$base" =~ ^p([0-9][0-9])$ ]]; then
    echo " level=$((10#${BASH_REMATCH[1]} % 25 + 1)) completed=1 deaths=0 "
  elif [[ "$base" == full_game ]]; then
    echo " level=1 completed=25 deaths=0 "
  fi
}

# replay_hashes FILE: its hash file.
replay_hashes() { echo "${1%.txt}.hashes"; }

# A fault's replay can also say what its run must show, whatever the hashes:
#   # expect: TICK "field":value...
# holds when the --log line of that tick has every "field":value in it (the
# figure still in the air at tick 16, in play on level 2 at tick 541), so
# hashes written again after a change of the content cannot take in the
# fault itself.

# replay_expectations FILE: its expectations, "TICK FRAGMENT..." a line.
replay_expectations() { sed -n 's/^# expect: *//p' "$1"; }

# unmet_expectations FILE LOG: a line for each expectation of the replay
# FILE that the run's LOG does not meet; nothing when all hold.
unmet_expectations() {
  local tick rest line fragment key have
  local -a fragments
  while read -r tick rest; do
    read -ra fragments <<<"$rest"
    line="$(grep -m1 "^{\"tick\":$tick," "$2" | tr -d '\r')"
    for fragment in "${fragments[@]}"; do
      [[ "$line" == *"$fragment"[,}]* ]] && continue
      key="${fragment%%:*}"
      have="$(grep -o "$key:[^,}]*" <<<"$line" | head -n 1)"
      echo "tick $tick: ${have:-no $key}, want $fragment"
    done
  done < <(replay_expectations "$1")
}
