#!/usr/bin/env bash
# Compiles the assets twice into fresh folders and compares every output:
# the build must give the same bytes each time.
#   assets_reproducible.sh KLICE_ASSETS ASSETS_DIR
set -euo pipefail
compiler="$1" assets="$2"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
for run in a b; do
    "$compiler" "$assets" "$tmp/$run/data" "$tmp/$run/TFORM1.bin"
done
count="$(find "$tmp/a" -type f | wc -l)"
if [[ "$count" -lt 28 ]]; then echo "FAIL only $count outputs"; exit 1; fi
diff -r "$tmp/a" "$tmp/b" && echo "ok   $count outputs identical"
