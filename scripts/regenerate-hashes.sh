#!/usr/bin/env bash
# Writes the state hashes of the replays again, after an intended change of
# the rules or the content, and says which replays changed and from which
# tick:
#   scripts/regenerate-hashes.sh               every replay (assets/replays, tests/replays)
#   scripts/regenerate-hashes.sh p07 full_game  only these (names without .txt)
# A level replay that no longer leaves its level with no death, or the full
# game that no longer ends all 25 levels, keeps its old hashes and fails the
# script: fix its route first (scripts/replay-from-route.py); so does a
# fault's replay whose run no longer shows what its "# expect:" lines say
# (make it show its fault on the new content first). Builds the play
# tester and the data first, in build/ (or $KLICE_BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KLICE_BUILD_DIR:-$root/build}"
source "$root/scripts/lib/replays.bash"
source "$root/scripts/lib/cmake-options.bash"
if [[ ! -f "$build/build.ninja" ]]; then
  "$root/scripts/setup.sh"
  cmake -S "$root" -B "$build" "${cmake_options[@]}" >/dev/null
fi
cmake --build "$build" --target klice-play >/dev/null
play="$build/tools/play/klice-play"
data="$build/game-data"

if command -v python3 >/dev/null && ! python3 "$root/scripts/replay-from-route.py" --check >/dev/null; then
  echo "note: some level replays are not what their routes give; scripts/replay-from-route.py writes them"
fi

cd "$root"
shopt -s nullglob
files=()
if [[ $# -eq 0 ]]; then
  files=(assets/replays/*.txt tests/replays/*.txt)
else
  for name in "$@"; do
    found=""
    for f in "assets/replays/$name.txt" "tests/replays/$name.txt"; do [[ -f "$f" ]] && found="$f"; done
    [[ -n "$found" ]] || { echo "regenerate-hashes.sh: no replay named $name" >&2; exit 2; }
    files+=("$found")
  done
fi

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
changed=0 failed=0
for f in "${files[@]}"; do
  name="$(basename "$f" .txt)"
  hashes="$(replay_hashes "$f")"
  mapfile -t options < <(replay_options "$f")
  check=() log=()
  [[ -f "$hashes" ]] && check=(--check "$hashes")
  [[ -n "$(replay_expectations "$f")" ]] && log=(--log "$tmp/log")
  status=0
  output="$("$play" --data "$data" "${options[@]}" --script "$f" --hashes "$tmp/new" "${check[@]}" "${log[@]}")" || status=$?
  last="$(tail -n 1 <<<"$output")"
  want="$(replay_expect "$f")"
  if [[ $status -ne 0 && $status -ne 3 ]]; then
    printf '%-26s FAIL: klice-play ended with status %d\n%s\n' "$name" "$status" "$output"
    failed=1
    continue
  fi
  if [[ -n "$want" && "$last " != *"$want"* ]]; then
    printf '%-26s FAIL, hashes kept: %s (want%s)\n' "$name" "$last" "${want% }"
    failed=1
    continue
  fi
  if [[ ${#log[@]} -gt 0 ]] && unmet="$(unmet_expectations "$f" "$tmp/log")" && [[ -n "$unmet" ]]; then
    printf '%-26s FAIL, hashes kept: not what its "# expect:" lines say\n%s\n' "$name" "$(sed 's/^/    /' <<<"$unmet")"
    failed=1
    continue
  fi
  if [[ ! -f "$hashes" ]]; then
    printf '%-26s new\n' "$name"
  elif [[ $status -eq 3 ]]; then
    # "mismatch at tick T: what (file:line)" -> "from tick T: what"
    what="$(grep -m1 '^mismatch at tick ' <<<"$output" | sed -e 's/^mismatch at /from /' -e 's/ ([^()]*)$//')"
    printf '%-26s changed %s\n' "$name" "$what"
    changed=$((changed + 1))
  else
    printf '%-26s unchanged\n' "$name"
  fi
  mv "$tmp/new" "$hashes"
done
echo "${#files[@]} replays, $changed changed"
exit $failed
