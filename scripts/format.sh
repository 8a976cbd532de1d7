#!/usr/bin/env bash
# Formats every C++ file of the repository, new files not yet added to git
# included (or the files given), with .clang-format.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
if [ $# -gt 0 ]; then
  clang-format -i "$@"
else
  git ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h' | xargs -0 clang-format -i
fi
