#!/usr/bin/env bash
# Sets up, builds and starts the game in its data folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "${KLICE_BUILD_DIR:-$root/build}/game-data"
exec ../game/klice
