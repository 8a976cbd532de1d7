#!/usr/bin/env bash
# Formats every C++ file of the repository (or the files given) with .clang-format.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
if [ $# -gt 0 ]; then
  clang-format -i "$@"
else
  git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format -i
fi
