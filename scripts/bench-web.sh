#!/usr/bin/env bash
# The page's tick rate in headless Chromium: plays level 1 on the site of
# scripts/build-web.sh for SECONDS (30 unless given) and prints the ticks a
# second its animation frames ran (the game's pace is 100) and the ticks
# given up after stalls. A figure, not a test: a loaded machine lowers it.
#   bench-web.sh [SECONDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
site="${KLICE_WEB_BUILD_DIR:-$root/build-web}/site"
if [ ! -f "$site/index.html" ]; then
  echo "No site in $site: run ./scripts/build-web.sh first" >&2
  exit 1
fi
exec node "$root/tests/web/page_check.mjs" --site "$site" --bench "${1:-30}"
