#!/usr/bin/env bash
# Fails when a C++ file of the repository is not formatted with .clang-format,
# naming the files and how to fix them.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
format="${CLANG_FORMAT:-clang-format}"
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
bad=()
for f in "${files[@]}"; do
  "$format" --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  echo "These files are not formatted with the project's .clang-format:" >&2
  printf '  %s\n' "${bad[@]}" >&2
  echo "Fix them with: ./scripts/format.sh   (or: clang-format -i FILE)" >&2
  exit 1
fi
echo "format: ${#files[@]} C++ files formatted"
