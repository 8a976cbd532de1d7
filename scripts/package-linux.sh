#!/usr/bin/env bash
# Builds the game for installing under /usr (in build-deb/, or
# $KLICE_DEB_BUILD_DIR: the programs look for their data under the prefix
# they were built for) and writes the Debian package
# build/klice_VERSION_amd64.deb with CPack, its dependencies computed from
# the programs by dpkg-shlibdeps. Only the game, the play tester and what
# they install are built.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
# dpkg-shlibdeps (dpkg-dev) and file, which CPack uses to find the programs.
source "$root/scripts/lib/packages.bash"
klice_need_packages dpkg-dev file
build="${KLICE_DEB_BUILD_DIR:-$root/build-deb}"
out="${KLICE_BUILD_DIR:-$root/build}"
source "$root/scripts/lib/cmake-options.bash"
cmake -S "$root" -B "$build" "${cmake_options[@]}" -DCMAKE_INSTALL_PREFIX=/usr -DKLICE_BENCH=OFF \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target klice klice-play klice_game_data klice_install_files
rm -f "$build"/klice_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
mkdir -p "$out"
deb="$(ls "$build"/klice_*.deb)"
rm -f "$out"/klice_*.deb
cp "$deb" "$out/"
echo "$out/$(basename "$deb")"
