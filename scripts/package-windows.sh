#!/usr/bin/env bash
# Cross-builds the game for Windows and writes
# build-windows/Klice-VERSION-win64.zip (the version of project() in
# CMakeLists.txt): a folder Klice/ with klice.exe, the data files, the font,
# a short read-me, the licences and the changelog. Unzipped anywhere, it
# plays, whatever folder it is started in.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build-windows.sh"
build="${KLICE_WINDOWS_BUILD_DIR:-$root/build-windows}"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
[ -n "$version" ] || { echo "no project version in $build/CMakeCache.txt" >&2; exit 1; }
zip_file="$build/Klice-$version-win64.zip"
package="$build/package"
rm -rf "$package" "$build"/Klice-*win64.zip
mkdir -p "$package/Klice"
x86_64-w64-mingw32-strip -o "$package/Klice/klice.exe" "$build/game/klice.exe"
cp "$build/game-data/"*.dat "$build/game-data/DejaVuSans.ttf" "$package/Klice/"
# Text files with Windows line ends, for Notepad.
sed -e "s/@PROJECT_VERSION@/$version/g" -e 's/$/\r/' "$root/packaging/windows/README.txt" > "$package/Klice/README.txt"
sed 's/$/\r/' "$root/LICENSE" > "$package/Klice/LICENSE.txt"
sed 's/$/\r/' "$root/CHANGELOG.md" > "$package/Klice/CHANGELOG.txt"
sed 's/$/\r/' /usr/share/doc/fonts-dejavu-core/copyright > "$package/Klice/DejaVu-LICENSE.txt"
(cd "$package" && zip -q -X -r "$zip_file" Klice)
echo "$zip_file"
