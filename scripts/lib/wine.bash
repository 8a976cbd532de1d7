# Sourced by the scripts that run the Windows build under wine.
#   klice_wine_prefix DIR        wine's prefix (made on first use), quiet,
#                                without the Mono and Gecko installers wine
#                                would otherwise offer; a wine server left
#                                from another run (with its desktop on
#                                another display) is stopped
#   klice_wine_session           starts the prefix's wine server, kept
#                                running between programs, and wine's
#                                desktop and services (they inherit the
#                                caller's output: started here, they hold no
#                                pipe of a later command open)
#   klice_wine_alsa              wine plays its sound through ALSA, whose
#                                device a program's HOME (.asoundrc) chooses
#   klice_wine_desktop PROGRAM...  those programs run in a virtual desktop of
#                                1024 x 768, where wine can change the
#                                display mode (the X screen cannot)
#   klice_wine_renderer NAME     wine's DirectDraw renderer: gdi or gl
#   klice_wine_stop              stops the wine server and waits for it
klice_wine_prefix() {
  export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$WINEPREFIX"
  wineserver -k 2>/dev/null || true
}

klice_wine_session() {
  wineserver -p
  wineboot --init >/dev/null 2>&1
}

klice_wine_alsa() {
  wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f >/dev/null 2>&1
}

klice_wine_desktop() {
  local program
  for program in "$@"; do
    wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$program\\Explorer" /v Desktop /d Klice /f >/dev/null 2>&1
  done
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Klice /d 1024x768 /f >/dev/null 2>&1
}

klice_wine_renderer() {
  wine reg add 'HKCU\Software\Wine\Direct3D' /v renderer /d "$1" /f >/dev/null 2>&1
}

klice_wine_stop() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}
