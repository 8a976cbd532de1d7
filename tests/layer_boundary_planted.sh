#!/usr/bin/env bash
# Shows that tests/layer_boundary.sh fails on what it is there to catch: each
# case plants files into a small tree that has the real layer table, and the
# check must fail naming the planted file; the tree without a plant passes.
#   layer_boundary_planted.sh SOURCE_DIR
set -uo pipefail
source_dir="$(cd "$1" && pwd)" || exit 2
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0

# A tree with the table and one clean file in each of a few layers.
fresh_tree() {
  rm -rf "$work/tree"
  mkdir -p "$work/tree/cmake" "$work/tree/platform/sdl" "$work/tree/data" "$work/tree/display" "$work/tree/game"
  cp "$source_dir/cmake/layers.txt" "$work/tree/cmake/"
  printf '#pragma once\n' >"$work/tree/platform/file.h"
  printf '// Internal to platform/: what the backends provide.\n#pragma once\n' >"$work/tree/platform/backend.h"
  printf '#pragma once\n#include "platform/file.h"\n' >"$work/tree/platform/sdl/window.h"
  printf '#include "platform/backend.h"\n#include "platform/sdl/window.h"\n' >"$work/tree/platform/sdl/window.cpp"
  printf '#pragma once\n#include "platform/file.h"\n' >"$work/tree/data/stream.h"
  printf '#pragma once\n#include "data/stream.h"\n' >"$work/tree/display/surface.h"
  printf '#pragma once\n#include "display/surface.h"\n' >"$work/tree/game/window.h"
  printf '#include "game/window.h"\n' >"$work/tree/game/main.cpp"
}

# plant NAME FILE CONTENT: the check must fail and name FILE.
plant() {
  fresh_tree
  mkdir -p "$(dirname "$work/tree/$2")"
  printf '%b' "$3" >"$work/tree/$2"
  local out
  if out=$("$source_dir/tests/layer_boundary.sh" "$work/tree" 2>&1); then
    echo "FAIL $1: the check passed"
    failed=1
  elif ! grep -q "$2" <<<"$out"; then
    echo "FAIL $1: the check failed without naming $2:"
    sed 's/^/    /' <<<"$out"
    failed=1
  else
    echo "ok   $1"
  fi
}

fresh_tree
if out=$("$source_dir/tests/layer_boundary.sh" "$work/tree" 2>&1); then
  echo "ok   the tree without a plant passes"
else
  echo "FAIL the tree without a plant fails:"
  sed 's/^/    /' <<<"$out"
  failed=1
fi

plant "data/ includes a display/ header" data/planted.cpp '#include "display/surface.h"\n'
plant "display/ includes a game/ header" display/planted.h '#pragma once\n#include "game/window.h"\n'
plant "the core includes its backend" platform/planted.cpp '#include "platform/sdl/window.h"\n'
plant "data/ includes a header internal to platform/" data/planted.cpp '#include "platform/backend.h"\n'
plant "a folder without a line" extra/planted.cpp '#include "data/stream.h"\n'
# A circle: data/stream.h is made to include the planted header, which
# includes it.
fresh_tree
printf '#pragma once\n#include "data/stream.h"\n' >"$work/tree/data/planted.h"
printf '#pragma once\n#include "platform/file.h"\n#include "data/planted.h"\n' >"$work/tree/data/stream.h"
if out=$("$source_dir/tests/layer_boundary.sh" "$work/tree" 2>&1) || ! grep -q "circle of files: data/planted, data/stream" <<<"$out"; then
  echo "FAIL a circle of two headers is not reported:"
  sed 's/^/    /' <<<"$out"
  failed=1
else
  echo "ok   a circle of two headers"
fi
plant "SDL outside platform/sdl/" data/planted.cpp '#include <SDL.h>\n'
plant "a system test above platform/" game/planted.cpp '#ifdef _WIN32\n#endif\n'
plant "Emscripten outside platform/web/" platform/posix/planted.cpp '#include <emscripten/html5.h>\n'
plant "a browser test above platform/" display/planted.cpp '#if defined(__EMSCRIPTEN__)\n#endif\n'
exit "$failed"
