#!/usr/bin/env bash
# Cross-builds the game for Windows and writes build-windows/Klice-win64.zip:
# a folder Klice/ with klice.exe, the data files, the font and a short
# read-me. Unzipped anywhere and started from its folder, it plays.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build-windows.sh"
build="${KLICE_WINDOWS_BUILD_DIR:-$root/build-windows}"
package="$build/package"
rm -rf "$package" "$build/Klice-win64.zip"
mkdir -p "$package/Klice"
x86_64-w64-mingw32-strip -o "$package/Klice/klice.exe" "$build/game/klice.exe"
cp "$build/game-data/"*.dat "$build/game-data/DejaVuSans.ttf" "$package/Klice/"
# Text files with Windows line ends, for Notepad.
sed 's/$/\r/' "$root/packaging/windows/README.txt" > "$package/Klice/README.txt"
sed 's/$/\r/' /usr/share/doc/fonts-dejavu-core/copyright > "$package/Klice/DejaVu-LICENSE.txt"
(cd "$package" && zip -q -X -r "$build/Klice-win64.zip" Klice)
echo "$build/Klice-win64.zip"
