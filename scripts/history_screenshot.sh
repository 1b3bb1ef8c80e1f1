#!/usr/bin/env bash
# Takes the README's screenshot of the project history: a private X server, a project
# "Plant A" saved three times by import-rules (so that its history holds two versions of
# S7_Protocol.xml), the access-list editor opened from the main window and "History..." pressed.
# Writes docs/history.png (or OUTPUT_DIR/history.png). Uses the configured build/ folder.
# Usage: scripts/history_screenshot.sh [OUTPUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs}")
mkdir -p "$out"
[ -f build/CMakeCache.txt ] || cmake --preset dev >/dev/null
cmake --build build --target brivant brivant-cli >/dev/null
program="$PWD/build/bin/brivant"
cli="$PWD/build/bin/brivant-cli"

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "history_screenshot: $*" >&2; exit 1; }

ws="$work/workspace"
project="$ws/PROJECTS/Plant A"
mkdir -p "$project/bin" "$ws/MASTER" "$ws/LANGUAGE"
printf '%s' '<Conf_Settings><lastproj><projectname>Plant A</projectname></lastproj><lastipadd><ipaddress>127.0.0.1</ipaddress></lastipadd><lastlang><language>English</language></lastlang><lastinternet><enable_internet>0</enable_internet><enable_update>0</enable_update><enable_jump_field_tables>0</enable_jump_field_tables><Double_Click_Auto_Size>0</Double_Click_Auto_Size></lastinternet></Conf_Settings>' >"$ws/Brivant.xml"
header="List,Enable,PLC_Address,PLC_Port,PLC_Type,Rack,Slot,Data_Type,Data_Identifier,DB_Number,PLC_Area,PLC_Add,PLC_Bit,PollTime,OnChange,OnCMD,Position,Bit,Swap,SwapWord,Mnemonic"
rule() { # rule LIST ENABLE DB POSITION MNEMONIC
  local changes="," ; [ "$1" = Write ] && changes="Y,N"
  echo "$1,$2,192.168.10.20,102,S71200,0,1,Word,DB,$3,Flags (M) (Merker),0,0,100,$changes,$4,0,N,N,$5"
}
save() { "$cli" import-rules "$project" "$work/rules.csv" >/dev/null || fail "the sample rules were refused"; sleep 1.1; }
{
  echo "$header"
  for i in $(seq 0 11); do rule Read Y $((100 + i)) $((2 * i)) "Line $i speed"; done
  rule Write Y 200 0 "Setpoint"
} >"$work/rules.csv"
save
{
  echo "$header"
  for i in $(seq 0 11); do rule Read $([ "$i" -lt 10 ] && echo Y || echo N) $((100 + i)) $((2 * i)) "Line $i speed"; done
  rule Write Y 200 0 "Setpoint"; rule Write Y 201 2 "Speed limit"
} >"$work/rules.csv"
save
{
  echo "$header"
  for i in $(seq 0 2); do rule Read Y $((100 + i)) $((2 * i)) "Line $i speed"; done
} >"$work/rules.csv"
save

. tests/smoke/private_x.sh
start_private_x "$work" 1600x1000x24 || fail "no X server"
pids+=("$XVFB_PID" "$WM_PID")
"$program" --workspace "$ws" >"$work/app.log" 2>&1 &
pids+=($!)

wait_window() {
  find_window "$1" || fail "no window '$1': $(cat "$work/app.log")"
}

main=$(wait_window "^Norvalt - Configurator ZE52840")
xdotool mousemove --window "$main" 165 218 click 1
editor=$(wait_window "^S7comm Access")
xdotool windowmove "$editor" 20 20
sleep 0.5
[ -n "${DEBUG_SHOT:-}" ] && import -window root "$DEBUG_SHOT"
# "History..." starts the tools row above the bar along the editor's bottom edge (the editor at the
# top left of a 1600 x 1000 screen).
xdotool mousemove "${HISTORY_X:-75}" "${HISTORY_Y:-605}" click 1 mousemove 1590 990
history=$(wait_window "^History")
xdotool windowmove "$history" 300 180
sleep 0.5
xdotool mousemove --window "$history" 0 0 mousemove 1590 990
import -window root -crop 1372x664+0+0 "$out/history.png" || fail "no screenshot"
echo "$out/history.png"
# By hand (EXPLORE=DIR): Compare, then Restore and OK, each screen kept in DIR.
if [ -n "${EXPLORE:-}" ]; then
  xdotool mousemove 366 515 click 1 mousemove 1590 990
  sleep 1.5; import -window root "$EXPLORE/compare.png"
  xdotool key Escape; sleep 0.8
  xdotool mousemove 75 605 click 1 mousemove 1590 990
  sleep 1.5
  xdotool mousemove 482 515 click 1 mousemove 1590 990
  sleep 1.5; import -window root "$EXPLORE/restored.png"
  xdotool mousemove 50 637 click 1; sleep 1.5
  import -window root "$EXPLORE/after_ok.png"
  "$cli" history "$project" >"$EXPLORE/history.txt"
fi
