#!/usr/bin/env bash
# The Debian package as a player meets it, on this machine (as root, or
# through sudo; CI runs it on a clean Debian):
#  1. the package is checked by the tools made for it: lintian (no errors;
#     its warnings are printed), desktop-file-validate and appstreamcli
#     validate --no-net on what it installs;
#  2. `apt-get install ./build/klice_*.deb`;
#  3. the desktop entry's command, `klice`, is started from the PATH of a
#     player, as an unprivileged user (to whom the installed data are
#     read-only), in an empty folder of its own, on a virtual X server; the
#     screen is photographed and must show the title, as the installed
#     klice-play draws it;
#  4. `apt-get purge --autoremove klice`, and nothing it installed is left:
#     the files under /usr, /etc and /var/lib/dpkg are those from before
#     (packages that were unneeded before the test stay, as they were).
# Builds the package first (scripts/package-linux.sh) unless
# KLICE_DEB names one. Photographs go to build/package-test/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
deb="${KLICE_DEB:-$("$root/scripts/package-linux.sh" | tail -n 1)}"
deb="$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")"
shots="${KLICE_BUILD_DIR:-$root/build}/package-test"
rm -rf "$shots"
mkdir -p "$shots"

source "$root/scripts/lib/packages.bash"
source "$root/scripts/lib/xvfb.bash"
klice_need_packages lintian desktop-file-utils appstream xvfb imagemagick
dpkg-query -W klice >/dev/null 2>&1 && { echo "klice is installed already: remove it first" >&2; exit 2; }

echo "== lintian $(basename "$deb")"
# Lintian refuses to check as root unless told; it changes nothing.
lintian_out="$(lintian --allow-root --info "$deb" 2>&1 || true)"
[ -n "$lintian_out" ] && echo "$lintian_out"
if grep -q '^E: ' <<<"$lintian_out"; then echo "FAIL lintian reports errors"; exit 1; fi
echo "ok   lintian: no errors, $(grep -c '^W: ' <<<"$lintian_out" || true) warnings"

unpacked="$(mktemp -d)"
snapshot_dir="$(mktemp -d)"
klice_pid=""
installed=0
# Packages that were unneeded already (installed as dependencies of something
# since removed) would go with klice's --autoremove and look like a leftover
# difference; they are held as manually installed for the test's duration.
already_unneeded="$(apt-get -s autoremove 2>/dev/null | awk '/^Remv /{print $2}' | tr '\n' ' ')"
cleanup() {
  [ -n "$klice_pid" ] && kill "$klice_pid" 2>/dev/null
  # A failure leaves nothing installed either.
  [ "$installed" = 1 ] && DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get purge -y -qq klice >/dev/null 2>&1
  # shellcheck disable=SC2086
  [ -n "$already_unneeded" ] && $sudo_cmd apt-mark auto $already_unneeded >/dev/null
  klice_stop_xvfb
  rm -rf "$unpacked" "$snapshot_dir"
}
trap cleanup EXIT
dpkg-deb -x "$deb" "$unpacked"
desktop-file-validate "$unpacked"/usr/share/applications/klice.desktop
echo "ok   desktop-file-validate klice.desktop"
appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml

snapshot() {
  find /usr /etc /var/lib/dpkg/info -xdev \( -type f -o -type l \) 2>/dev/null | sort >"$snapshot_dir/$1"
}
# shellcheck disable=SC2086
[ -n "$already_unneeded" ] && $sudo_cmd apt-mark manual $already_unneeded >/dev/null
snapshot before
start=$SECONDS
echo "== apt-get install $(basename "$deb")"
installed=1
DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "$deb" >/dev/null
echo "ok   installed in $((SECONDS - start)) s: $(dpkg-query -W -f='${Package} ${Version}' klice)"

# The player: nobody, with a player's PATH (Debian's /etc/profile gives
# games theirs), in a folder of its own.
player=(runuser -u nobody -- env HOME=/tmp PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games)
[ "$(id -u)" -ne 0 ] && player=(env PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games)
folder="$(mktemp -d)"
chmod 777 "$folder"
command="$(sed -n 's/^Exec=//p' /usr/share/applications/klice.desktop)"
icon=/usr/share/icons/hicolor/48x48/apps/"$(sed -n 's/^Icon=//p' /usr/share/applications/klice.desktop)".png
[ -f "$icon" ] || { echo "FAIL the desktop entry's icon $icon is not installed"; exit 1; }

# The title as the installed play tester draws it, 1 s in.
(cd "$folder" && "${player[@]}" klice-play --ticks 100 --frames "$folder/frames" >/dev/null)
cp "$folder/frames/frame-000100.png" "$shots/title-expected.png"

klice_start_xvfb 1024x768
(cd "$folder" && exec "${player[@]}" SDL_AUDIODRIVER=dummy DISPLAY="$DISPLAY" $command) >"$shots/klice.log" 2>&1 &
klice_pid=$!
# The screen, photographed twice a second until it shows the title (the
# title lasts 5 s once the game runs) or 60 s have passed.
pixels=$((1024 * 768))
different=""
for _ in $(seq 120); do
  sleep 0.5
  import -window root "$shots/title.png" 2>/dev/null || continue
  different="$(compare -metric AE -fuzz 4% "$shots/title.png" "$shots/title-expected.png" null: 2>&1 || true)"
  [[ "$different" =~ ^[0-9]+$ ]] && [ "$different" -le $((pixels / 10)) ] && break
done
kill "$klice_pid" 2>/dev/null || true
wait "$klice_pid" 2>/dev/null || true
klice_pid=""
if ! [[ "$different" =~ ^[0-9]+$ ]] || [ "$different" -gt $((pixels / 10)) ]; then
  echo "FAIL \`$command\` from $folder shows no title: $different of $pixels pixels differ ($shots/title.png)"
  cat "$shots/klice.log"
  exit 1
fi
echo "ok   \`$command\` from the PATH in $folder shows the title ($different of $pixels pixels differ)"
rm -rf "$folder"

start=$SECONDS
DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get purge -y -qq --autoremove klice >/dev/null
installed=0
snapshot after
if ! diff "$snapshot_dir/before" "$snapshot_dir/after"; then
  echo "FAIL files differ after the package was removed (< before, > after)"
  exit 1
fi
echo "ok   removed in $((SECONDS - start)) s; nothing left behind"
