#!/usr/bin/env bash
# Installs the build into a temporary prefix as the package does (programs in lib/brivant with
# the installation marker, commands in bin) and checks the installed layout: the configurator
# started from bin keeps its workspace in the user's data folder and leaves the programs' folder
# untouched, and the update step finds the update program beside the programs.
# Usage: installed_test.sh BUILD_DIR SMOKE_SCRIPT OUTPUT_DIR
set -euo pipefail
build="$1"
smoke="$2"
out="$3"
work=$(mktemp -d)
cleanup() {
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "INSTALLED LAYOUT FAILED: $*" >&2; exit 1; }

prefix="$work/usr"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || fail "install: $(cat "$work/install.log")"
[ -L "$prefix/bin/brivant" ] && [ -L "$prefix/bin/brivant-cli" ] || fail "no commands in bin"
appdir=$(dirname "$(readlink -f "$prefix/bin/brivant")")
for f in brivant brivant-cli Ethernet_Update.exe brivant-installed; do
  [ -e "$appdir/$f" ] || fail "$f is not installed in $appdir"
done
[ -f "$prefix/share/applications/brivant.desktop" ] || fail "no desktop entry"
[ -f "$prefix/share/brivant/LANGUAGE/English.lng" ] || fail "no shipped languages in share/brivant/LANGUAGE"
[ -f "$prefix/share/icons/hicolor/scalable/apps/brivant.svg" ] || fail "no icon"

# A user of his own, whose programs' folder is read-only.
chmod a-w "$appdir"
before=$(ls -lA "$appdir")
export HOME="$work/home"
mkdir -p "$HOME"
unset XDG_DATA_HOME XDG_CONFIG_HOME
userws="$HOME/.local/share/Norvalt/ZE52840"

# The configurator, started as from the desktop entry: no --workspace.
"$smoke" "$prefix/bin/brivant" "$out" "$userws" || fail "the installed configurator"

# The update step from the installed command-line tool, in the user's workspace.
project="$userws/PROJECTS/P"
mkdir -p "$project/bin"
head -c 4096 /dev/zero | tr '\0' 'Z' >"$userws/MASTER/Vod52840.sim"
status=0
(cd "$work" && "$prefix/bin/brivant-cli" update "$project" --ip 127.0.0.1) >"$work/update.log" 2>&1 || status=$?
if grep -q "allows the configurator no ICMP echo socket" "$work/update.log"; then
  echo "update step skipped: no ICMP echo socket for this user"
else
  [ "$status" -eq 0 ] || fail "update exited with $status: $(cat "$work/update.log")"
  grep -q "result: OK" "$work/update.log" || fail "no report from the update program: $(cat "$work/update.log")"
  [ -f "$userws/Ethernet_Update.xml" ] || fail "no Ethernet_Update.xml in the user's workspace"
  grep -q "result: OK" "$userws/Ethernet_Update.log" || fail "the update program did not run in the user's workspace"
  [ -s "$project/bin/bank1.bin" ] && [ -s "$project/bin/bank2.bin" ] || fail "no images"
  echo "update step: $(grep -c . "$work/update.log") report lines, result OK"
fi

[ "$(ls -lA "$appdir")" = "$before" ] || fail "the programs' folder was changed"
echo "installed layout: workspace $userws"
echo "1 passed, 0 failed"
