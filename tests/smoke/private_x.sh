# Sourced by the real-window scripts. start_private_x DIR [SCREEN] starts Xvfb on a display
# number that the server picks itself (so that parallel runs never meet) and the openbox window
# manager, exports DISPLAY and sets XVFB_PID and WM_PID. Logs go to DIR. Returns 1 with a
# message, the server stopped, when it does not come up.
start_private_x() {
  local dir="$1" screen="${2:-1280x1024x24}" number=""
  exec 3<>"$dir/display"
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 1 100); do
    [ -s "$dir/display" ] && break
    sleep 0.1
  done
  number=$(head -n1 "$dir/display" | tr -d '[:space:]')
  if [ -z "$number" ]; then
    echo "Xvfb did not start: $(cat "$dir/xvfb.log")" >&2
    kill "$XVFB_PID" 2>/dev/null || true
    return 1
  fi
  export DISPLAY=":$number"
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
  # Without the window manager there are no frames and no close requests: a window shown before
  # it runs, or a close sent to no one, would fail a test for the machine's load, not the program.
  # On a loaded machine the first client can find the new server not yet answering (openbox
  # then gives up at once), so the manager is started again while the server runs.
  local attempt
  for attempt in 1 2 3 4 5; do
    if ! kill -0 "$XVFB_PID" 2>/dev/null; then
      echo "Xvfb ended on display $DISPLAY: $(cat "$dir/xvfb.log")" >&2
      return 1
    fi
    openbox --sm-disable >"$dir/wm.log" 2>&1 &
    WM_PID=$!
    for _ in $(seq 1 100); do
      wmctrl -m >/dev/null 2>&1 && return 0
      kill -0 "$WM_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$WM_PID" 2>/dev/null || true
    wait "$WM_PID" 2>/dev/null || true
    sleep 0.5
  done
  echo "the window manager did not start on $DISPLAY after $attempt tries: $(cat "$dir/wm.log"); Xvfb: $(cat "$dir/xvfb.log")" >&2
  kill "$XVFB_PID" 2>/dev/null || true
  return 1
}

# find_window TITLE prints the id of the newest visible window whose title matches TITLE (a
# pattern), 0.8 s after it appears so that it is drawn; returns 1 when none appears within 20 s.
find_window() {
  local id=""
  for _ in $(seq 1 200); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n1 || true)
    [ -n "$id" ] && { sleep 0.8; echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
