# Sourced by the scripts that need a screen: a virtual X server of their own.
#   klice_start_xvfb WIDTHxHEIGHT   starts Xvfb on a free display, waits until
#                                   it takes connections, exports DISPLAY and
#                                   sets KLICE_XVFB_PID; fails (status 2) when
#                                   it does not start
#   klice_stop_xvfb                 stops it (harmless when none runs)
# A script stops it on exit: trap klice_stop_xvfb EXIT.
KLICE_XVFB_PID=""

klice_start_xvfb() {
  local display_file
  display_file="$(mktemp)"
  # Xvfb picks a free display and writes its number once it takes connections.
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$display_file" 2>/dev/null &
  KLICE_XVFB_PID=$!
  for _ in $(seq 200); do
    [ -s "$display_file" ] && break
    sleep 0.05
  done
  if [ ! -s "$display_file" ]; then
    rm -f "$display_file"
    echo "$1: the virtual X server did not start" >&2
    return 2
  fi
  export DISPLAY=":$(head -n1 "$display_file")"
  rm -f "$display_file"
}

klice_stop_xvfb() {
  if [ -n "$KLICE_XVFB_PID" ]; then
    kill "$KLICE_XVFB_PID" 2>/dev/null || true
    wait "$KLICE_XVFB_PID" 2>/dev/null || true
    KLICE_XVFB_PID=""
  fi
}
