# Sourced by the real-window scripts. start_private_x DIR [SCREEN] starts Xvfb on a display
# number that the server picks itself (so that parallel runs never meet) and the openbox window
# manager, exports DISPLAY and sets XVFB_PID and WM_PID. Logs go to DIR. Returns 1 with a
# message when the server does not come up.
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
    return 1
  fi
  export DISPLAY=":$number"
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
  openbox --sm-disable >"$dir/wm.log" 2>&1 &
  WM_PID=$!
  for _ in $(seq 1 50); do
    wmctrl -m >/dev/null 2>&1 && break
    sleep 0.1
  done
}
