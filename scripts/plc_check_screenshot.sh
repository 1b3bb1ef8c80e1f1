#!/usr/bin/env bash
# Takes the README's screenshot of the PLC check: a private X server, a loopback S7 PLC on
# 127.0.0.1 (tests/support/s7_loopback_plc), a project "Plant A" whose rules name only that
# PLC, the access-list editor opened from the main window and "Check PLCs" pressed.
# Writes docs/plc_check.png (or OUTPUT_DIR/plc_check.png). Uses the configured build/ folder.
# Usage: scripts/plc_check_screenshot.sh [OUTPUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs}")
mkdir -p "$out"
[ -f build/CMakeCache.txt ] || cmake --preset dev >/dev/null
cmake --build build --target brivant brivant-cli s7_loopback_plc >/dev/null
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
fail() { echo "plc_check_screenshot: $*" >&2; exit 1; }

build/tests/s7_loopback_plc >"$work/plc.txt" 2>"$work/plc.log" &
pids+=($!)
for _ in $(seq 1 50); do [ -s "$work/plc.txt" ] && break; sleep 0.1; done
read -r port closed <"$work/plc.txt" || fail "the loopback PLC did not start"

ws="$work/workspace"
project="$ws/PROJECTS/Plant A"
mkdir -p "$project/bin" "$ws/MASTER" "$ws/LANGUAGE"
printf '%s' '<Conf_Settings><lastproj><projectname>Plant A</projectname></lastproj><lastipadd><ipaddress>127.0.0.1</ipaddress></lastipadd><lastlang><language>English</language></lastlang><lastinternet><enable_internet>0</enable_internet><enable_update>0</enable_update><enable_jump_field_tables>0</enable_jump_field_tables><Double_Click_Auto_Size>0</Double_Click_Auto_Size></lastinternet></Conf_Settings>' >"$ws/Brivant.xml"
# Every rule names 127.0.0.1: the loopback PLC, or a port where nothing listens.
{
  echo "List,Enable,PLC_Address,PLC_Port,PLC_Type,Rack,Slot,Data_Type,Data_Identifier,DB_Number,PLC_Area,PLC_Add,PLC_Bit,PollTime,OnChange,OnCMD,Position,Bit,Swap,SwapWord,Mnemonic"
  echo "Read,Y,127.0.0.1,$port,S71200,0,1,Word,DB,100,Flags (M) (Merker),20,0,100,,,0,0,N,N,Line speed"
  echo "Read,Y,127.0.0.1,$port,S71200,0,1,Real,DB,100,Flags (M) (Merker),8,0,100,,,2,0,N,N,Tank temperature"
  echo "Read,Y,127.0.0.1,$port,S71200,0,1,Bit,OB,0,Flags (M) (Merker),10,3,100,,,6,0,N,N,Pump running"
  echo "Read,Y,127.0.0.1,$port,S71200,0,1,Byte,OB,0,Inputs (I),3,0,100,,,7,0,N,N,Door switches"
  echo "Read,Y,127.0.0.1,$port,S7300,0,1,Int,DB,101,Flags (M) (Merker),0,0,100,,,8,0,N,N,Recipe number"
  echo "Read,Y,127.0.0.1,$port,S71200,0,1,DWord,DB,100,Flags (M) (Merker),62,0,100,,,10,0,N,N,Counter"
  echo "Read,N,127.0.0.1,$port,S71200,0,1,Word,DB,100,Flags (M) (Merker),0,0,100,,,14,0,N,N,Spare"
  echo "Read,Y,127.0.0.1,$closed,S7300,0,2,Word,DB,10,Flags (M) (Merker),0,0,100,,,16,0,N,N,Packing line"
  echo "Write,Y,127.0.0.1,$port,S71200,0,1,Word,DB,100,Flags (M) (Merker),0,0,100,Y,N,0,0,N,N,Setpoint"
} >"$work/rules.csv"
"$cli" import-rules "$project" "$work/rules.csv" >/dev/null || fail "the sample rules were refused"

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
eval "$(xdotool getwindowgeometry --shell "$editor")"
# "Check PLCs" is the last button of the bar along the editor's bottom edge.
# The pointer leaves at once, so that no tooltip is caught half drawn.
xdotool mousemove --window "$editor" $((WIDTH - 75)) $((HEIGHT - 28)) click 1 mousemove 1590 990
results=$(wait_window "^PLC check")
# Over the empty rows of the grid, below the rules.
xdotool windowsize "$results" 900 300
xdotool windowmove "$results" 430 330
sleep 0.5
sleep 0.5
import -window root -crop 1372x680+0+0 "$out/plc_check.png" || fail "no screenshot"
echo "$out/plc_check.png"
