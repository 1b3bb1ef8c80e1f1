#!/usr/bin/env bash
# Takes the README's screenshot of "Import PLC data": a private X server, a project "Plant A"
# with two read rules, the access-list editor opened from the main window, the import dialog
# opened, tests/data/plcsource/tank.db chosen in the file dialog, three members ticked.
# Writes docs/plc_import.png (or OUTPUT_DIR/plc_import.png). Uses the configured build/ folder.
# Nothing connects to a PLC. Usage: scripts/plc_import_screenshot.sh [OUTPUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs}")
mkdir -p "$out"
[ -f build/CMakeCache.txt ] || cmake --preset dev >/dev/null
cmake --build build --target brivant brivant-cli >/dev/null
program="$PWD/build/bin/brivant"
cli="$PWD/build/bin/brivant-cli"
source_file="$PWD/tests/data/plcsource/tank.db"

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "plc_import_screenshot: $*" >&2; exit 1; }

ws="$work/workspace"
project="$ws/PROJECTS/Plant A"
mkdir -p "$project/bin" "$ws/MASTER" "$ws/LANGUAGE"
printf '%s' '<Conf_Settings><lastproj><projectname>Plant A</projectname></lastproj><lastipadd><ipaddress>192.168.2.205</ipaddress></lastipadd><lastlang><language>English</language></lastlang><lastinternet><enable_internet>0</enable_internet><enable_update>0</enable_update><enable_jump_field_tables>0</enable_jump_field_tables><Double_Click_Auto_Size>0</Double_Click_Auto_Size></lastinternet></Conf_Settings>' >"$ws/Brivant.xml"
printf '%s' '<Par_Gen><PROFINET_NB_IN>64</PROFINET_NB_IN><PROFINET_NB_OUT>16</PROFINET_NB_OUT></Par_Gen><!--SW_VERSION = 1.002-->' >"$project/ParGen.xml"
{
  echo "List,Enable,PLC_Address,PLC_Port,PLC_Type,Rack,Slot,Data_Type,Data_Identifier,DB_Number,PLC_Area,PLC_Add,PLC_Bit,PollTime,OnChange,OnCMD,Position,Bit,Swap,SwapWord,Mnemonic"
  echo "Read,Y,192.168.1.10,102,S71500,0,1,Word,DB,10,Direct peripheral access (P),0,0,100,,,0,0,N,N,Line speed"
  echo "Read,Y,192.168.1.10,102,S71500,0,1,Real,DB,10,Direct peripheral access (P),4,0,100,,,2,0,N,N,Tank temperature"
} >"$work/rules.csv"
"$cli" import-rules "$project" "$work/rules.csv" >/dev/null || fail "the sample rules were refused"

. tests/smoke/private_x.sh
start_private_x "$work" 1600x1000x24 || fail "no X server"
pids+=("$XVFB_PID" "$WM_PID")
"$program" --workspace "$ws" >"$work/app.log" 2>&1 &
pids+=($!)
wait_window() { find_window "$1" || fail "no window '$1': $(cat "$work/app.log")"; }

main=$(wait_window "^Norvalt - Configurator ZE52840")
xdotool mousemove --window "$main" 165 218 click 1
editor=$(wait_window "^S7comm Access")
xdotool windowmove "$editor" 0 0
sleep 0.5
# The second rule's row, then "Import PLC data...", the second button of the tools row above the bottom bar.
xdotool mousemove --window "$editor" 200 "${ROW2_Y:-145}" click 1
eval "$(xdotool getwindowgeometry --shell "$editor")"

xdotool mousemove --window "$editor" "${IMPORT_X:-180}" $((HEIGHT - 60)) click 1 mousemove 1590 990
dialog=$(wait_window "^Import PLC data")
xdotool windowmove "$dialog" 200 120
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$dialog")"
# "Files..." at the top left, then the file name typed into the file dialog.
xdotool mousemove --window "$dialog" 60 "${FILES_Y:-88}" click 1
files=$(wait_window "^Choose the PLC")
xdotool type --delay 20 "$source_file"
xdotool key Return
sleep 1
# Level, Motor.Run, Values[2] and Grid[1,2].
[ -n "${NO_TICKS:-}" ] || for y in ${TICK_YS:-168 182 294 420}; do xdotool mousemove --window "$dialog" "${TICK_X:-59}" "$y" click 1; sleep 0.2; done
xdotool mousemove 1590 990
sleep 0.8
import -window "$dialog" "$out/plc_import.png" || fail "no screenshot"
echo "$out/plc_import.png"
