#!/usr/bin/env bash
# Starts the real configurator in a private X server with a window manager, waits for the main
# window, checks its title, takes a screenshot, closes the window as a user does (the window
# manager's close) and checks that the settings were written with their defaults.
# Usage: smoke_test.sh BRIVANT_BINARY OUTPUT_DIR [WORKSPACE]
# Without WORKSPACE the program gets a temporary one through --workspace. With it, the program
# is started without --workspace and must make its workspace there by itself.
set -euo pipefail
program="$1"
out="$2"
own_workspace="${3:-}"
mkdir -p "$out"
work=$(mktemp -d)
XVFB_PID=""
WM_PID=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "SMOKE FAILED: $*" >&2; exit 1; }

. "$(dirname "$0")/private_x.sh"
start_private_x "$work" || fail "no X server"
echo "X server on $DISPLAY"

if [ -n "$own_workspace" ]; then
  ws="$own_workspace"
  "$program" >"$work/app.log" 2>&1 &
else
  ws="$work/workspace"
  mkdir -p "$ws"
  "$program" --workspace "$ws" >"$work/app.log" 2>&1 &
fi
app_pid=$!

title="Norvalt - Configurator ZE52840 - S7comm / PROFIBUS Slave "
window=""
for _ in $(seq 1 300); do
  window=$(xdotool search --onlyvisible --name "^Norvalt - Configurator ZE52840" 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  kill -0 "$app_pid" 2>/dev/null || fail "the program ended early: $(cat "$work/app.log")"
  sleep 0.1
done
[ -n "$window" ] || fail "no main window within 30 s"

name=$(xprop -id "$window" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')
[ "$name" = "$title" ] || fail "title is '$name', expected '$title'"
echo "main window $window: '$name'"

sleep 1
import -window root "$out/smoke_main.png" || fail "no screenshot"
[ -s "$out/smoke_main.png" ] || fail "empty screenshot"

# The window manager's close, asked again every 5 s in case a loaded machine lost the request.
for i in $(seq 0 149); do
  [ $((i % 50)) -eq 0 ] && { wmctrl -i -c "$window" 2>/dev/null || true; }
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app_pid" 2>/dev/null; then
  fail "the program did not end after the window manager's close"
fi
wait "$app_pid" && status=0 || status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "exit status $status: $(cat "$work/app.log")"

expected='<Conf_Settings><lastproj><projectname></projectname></lastproj><lastipadd><ipaddress>192.168.2.205</ipaddress></lastipadd><lastlang><language>English</language></lastlang><lastinternet><enable_internet>0</enable_internet><enable_update>0</enable_update><enable_jump_field_tables>0</enable_jump_field_tables><Double_Click_Auto_Size>0</Double_Click_Auto_Size></lastinternet></Conf_Settings>'
[ -f "$ws/Brivant.xml" ] || fail "Brivant.xml was not written"
actual=$(cat "$ws/Brivant.xml")
[ "$actual" = "$expected" ] || fail "Brivant.xml holds '$actual'"
for d in MASTER PROJECTS LANGUAGE; do
  [ -d "$ws/$d" ] || fail "$d was not created"
done
# A new workspace gets the shipped languages and flags.
for f in English.lng DefaultFlag.bmp; do
  [ -f "$ws/LANGUAGE/$f" ] || fail "the shipped $f was not copied into $ws/LANGUAGE"
done
echo "1 passed, 0 failed"
