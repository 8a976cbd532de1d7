#!/usr/bin/env bash
# Serves the browser's build (build-web/site/, made by scripts/build-web.sh)
# on this machine only, at http://127.0.0.1:8000/ (or the port given), with
# python3's static server: the page loads nothing from anywhere else.
#   serve-web.sh [PORT]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
site="${KLICE_WEB_BUILD_DIR:-$root/build-web}/site"
port="${1:-8000}"
if [ ! -f "$site/index.html" ]; then
  echo "No site in $site: run ./scripts/build-web.sh first" >&2
  exit 1
fi
echo "Open http://127.0.0.1:$port/ (Ctrl+C stops the server)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site"
