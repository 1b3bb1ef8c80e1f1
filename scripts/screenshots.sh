#!/usr/bin/env bash
# Takes the README's screenshots from the real configurator: a private X server (Xvfb) with a
# window manager, a sample project "Plant A" with twelve read rules, and every window opened
# from the main window as a user opens it. Writes docs/*.png (or OUTPUT_DIR/*.png).
# With LANGUAGE names it takes instead the main window, the access list and the update window in
# each of those shipped languages: docs/main_NAME.png, s7access_NAME.png, update_NAME.png.
# SHIPPED_LANGUAGES names another folder of language files than build/bin/LANGUAGE.
# Usage: scripts/screenshots.sh [OUTPUT_DIR [LANGUAGE...]]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs}")
shift || true
languages=("$@")
mkdir -p "$out"
scripts/deps.sh
[ -f build/CMakeCache.txt ] || cmake --preset dev >/dev/null
cmake --build build --target brivant brivant-cli brivant-report brivant_languages >/dev/null
shipped=$(realpath -m "${SHIPPED_LANGUAGES:-build/bin/LANGUAGE}")
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
fail() { echo "screenshots: $*" >&2; exit 1; }

# The sample workspace: the project is the last one opened, so the main window shows it.
ws="$work/workspace"
project="$ws/PROJECTS/Plant A"
mkdir -p "$project/bin" "$ws/MASTER" "$ws/LANGUAGE"
printf '%s' '<Conf_Settings><lastproj><projectname>Plant A</projectname></lastproj><lastipadd><ipaddress>192.168.2.205</ipaddress></lastipadd><lastlang><language>English</language></lastlang><lastinternet><enable_internet>0</enable_internet><enable_update>0</enable_update><enable_jump_field_tables>0</enable_jump_field_tables><Double_Click_Auto_Size>0</Double_Click_Auto_Size></lastinternet></Conf_Settings>' >"$ws/Brivant.xml"
# Saved communication parameters: the update step refuses a project without them.
printf '%s' '<Par_Gen><S7_Protocol_IP1>192</S7_Protocol_IP1><S7_Protocol_IP2>168</S7_Protocol_IP2><S7_Protocol_IP3>1</S7_Protocol_IP3><S7_Protocol_IP4>50</S7_Protocol_IP4><S7_Protocol_SM1>255</S7_Protocol_SM1><S7_Protocol_SM2>255</S7_Protocol_SM2><S7_Protocol_SM3>255</S7_Protocol_SM3><S7_Protocol_SM4>0</S7_Protocol_SM4><S7_Protocol_GAT1>192</S7_Protocol_GAT1><S7_Protocol_GAT2>168</S7_Protocol_GAT2><S7_Protocol_GAT3>1</S7_Protocol_GAT3><S7_Protocol_GAT4>1</S7_Protocol_GAT4><S7_Protocol_EN_GAT>0</S7_Protocol_EN_GAT><PROFIBUS_ID_Device>5</PROFIBUS_ID_Device><PROFINET_NB_IN>32</PROFINET_NB_IN><PROFINET_NB_OUT>16</PROFINET_NB_OUT></Par_Gen><!--SW_VERSION = 1.002-->' >"$project/ParGen.xml"
types=(S71200 S7300 S71500 Logo0BA8 S7400)
data=(Word Int Real Bit DWord)
areas=("Flags (M) (Merker)" "Inputs (I)" "Output (Q)" "Direct peripheral access (P)" "Flags (M) (Merker)")
{
  echo "List,Enable,PLC_Address,PLC_Port,PLC_Type,Rack,Slot,Data_Type,Data_Identifier,DB_Number,PLC_Area,PLC_Add,PLC_Bit,PollTime,OnChange,OnCMD,Position,Bit,Swap,SwapWord,Mnemonic"
  for i in $(seq 0 11); do
    enable=Y; [ "$i" -eq 5 ] && enable=N
    swap=N; [ $((i % 3)) -eq 0 ] && swap=Y
    echo "Read,$enable,192.168.1.$((10 + i % 4)),102,${types[i % 5]},0,1,${data[i % 5]},DB,$((100 + i)),${areas[i % 5]},20,0,100,,,$((2 * i)),0,$swap,,Value $((i + 1))"
  done
  echo "Write,Y,192.168.1.10,102,S71200,0,1,Word,DB,200,Flags (M) (Merker),0,0,100,Y,N,0,0,N,,Setpoint"
} >"$work/rules.csv"
"$cli" import-rules "$project" "$work/rules.csv" >/dev/null || fail "the sample rules were refused"
# The shipped languages and flags.
cp "$shipped"/*.lng "$shipped"/*.bmp "$ws/LANGUAGE/"

. tests/smoke/private_x.sh
start_private_x "$work" 1600x1000x24 || fail "no X server"
pids+=("$XVFB_PID" "$WM_PID")


# The newest visible window whose title matches, within 20 s.
wait_window() {
  find_window "$1" || fail "no window '$1': $(cat "$work/app.log")"
}
# The window with the window manager's frame.
shoot() {
  import -window "$1" -frame "$out/$2" || fail "no screenshot of $2"
  echo "$out/$2"
}
wm_close() {
  wmctrl -i -c "$1"
  for _ in $(seq 1 50); do
    xdotool search --onlyvisible --name "$2" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "'$2' did not close"
}
# A click on a main window control, at its place in the client area.
click_main() {
  xdotool mousemove --window "$main" "$1" "$2" click 1
}

# The beginning of text n of a language up to its first character outside ASCII (xdotool's
# title patterns are ASCII), as a title pattern.
title_of() {
  "$cli" texts --workspace "$ws" --language "$1" --lng | tr -d '\r' | sed -n "s/^STR$2 = //p" \
    | LC_ALL=C sed 's/[^ -~].*//; s/[][\.*^$()+?{}|]/\\&/g'
}

# Starts the configurator in `language`, shoots the main window as main$suffix.png and the
# given steps ("x y|title|file"), and closes it.
session() {
  local language="$1" suffix="$2"
  shift 2
  sed -i "s|<language>[^<]*</language>|<language>$language</language>|" "$ws/Brivant.xml"
  "$program" --workspace "$ws" >"$work/app.log" 2>&1 &
  pids+=($!)
  main=$(wait_window "^Norvalt - Configurator ZE52840")
  xdotool mousemove --window "$main" 600 400
  sleep 0.3
  shoot "$main" "main$suffix.png"
  local step place title file
  for step in "$@"; do
    IFS='|' read -r place title file <<<"$step"
    click_main ${place}
    id=$(wait_window "$title")
    shoot "$id" "$file"
    if [ "$file" = s7access.png ]; then
      # The find bar over the rules: Ctrl+F, a text, F3 to the second match.
      xdotool key --window "$id" ctrl+f
      sleep 0.3
      xdotool type --window "$id" --delay 60 "value 1"
      xdotool key --window "$id" F3
      sleep 0.6
      shoot "$id" s7access_find.png
      xdotool key --window "$id" Escape
      sleep 0.3
      # The third page, the PROFIBUS map (its tab beside the two grids' tabs).
      xdotool mousemove --window "$id" 281 80 click 1
      xdotool mousemove --window "$id" 900 60
      sleep 1
      shoot "$id" s7access_map.png
    fi
    wm_close "$id" "$title"
  done
  wm_close "$main" "^Norvalt - Configurator ZE52840"
}

if [ ${#languages[@]} -eq 0 ]; then
  session English "" \
    "165 130|^Create New Configuration|new_project.png" \
    "343 130|^Open Configuration|open_project.png" \
    "165 174|^Set Communication|parameters.png" \
    "165 218|^S7comm Access|s7access.png" \
    "165 306|^Update Device|update.png" \
    "541 33|^About|about.png" \
    "599 33|^Software Options|options.png"
  # The first page of the sample project's commissioning report: parameters, rules and map.
  "$cli" report "$project" "$work/report.pdf" >/dev/null || fail "no report"
  pdftoppm -r 80 -f 1 -l 1 -png -singlefile "$work/report.pdf" "$out/report_page" || fail "no report page"
  echo "$out/report_page.png"
fi
for language in "${languages[@]}"; do
  [ -f "$ws/LANGUAGE/$language.lng" ] || fail "no language $language in $shipped"
  session "$language" "_$language" \
    "165 218|^$(title_of "$language" 1200)|s7access_$language.png" \
    "165 306|^$(title_of "$language" 1002)|update_$language.png"
done
