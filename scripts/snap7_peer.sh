#!/usr/bin/env bash
# Sets up snap7's S7 server, the tests' real S7 peer: the npm package node-snap7 at the version
# locked in tests/peers/snap7/package-lock.json, with snap7 built from its source by node-gyp
# against the installed Node.js headers (nothing is fetched but the npm registry's packages).
# Quick when already done: a stamp keeps the lock file's and Node's versions of the last build.
set -euo pipefail
cd "$(dirname "$0")/../tests/peers/snap7"

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
apt_install() {
  echo "Installing: $*"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@"
}

# Node.js and npm from Debian's packages where they are missing (a machine may have them from
# elsewhere: those are used as they are).
missing=()
command -v node >/dev/null 2>&1 || command -v nodejs >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)
[ -f /usr/include/node/node.h ] || missing+=(libnode-dev)
[ ${#missing[@]} -eq 0 ] || apt_install "${missing[@]}"

gyp=""
if command -v node-gyp >/dev/null 2>&1; then
  gyp="$(command -v node-gyp)"
elif [ -f "$(npm root -g)/npm/node_modules/node-gyp/bin/node-gyp.js" ]; then
  gyp="$(npm root -g)/npm/node_modules/node-gyp/bin/node-gyp.js"
else
  apt_install node-gyp
  gyp="$(command -v node-gyp)"
fi

node_bin="$(command -v node || command -v nodejs)"
stamp="node_modules/.brivant-snap7-built"
want="$(sha256sum package-lock.json | cut -d' ' -f1) $("$node_bin" --version)"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ] && [ -f node_modules/node-snap7/build/Release/node_snap7.node ]; then
  exit 0
fi

echo "Setting up snap7's S7 server (npm node-snap7, built from source)"
# The package's install script would first look for a prebuilt binary on the internet.
npm ci --ignore-scripts --no-audit --no-fund --loglevel=error
log="$(mktemp)"
if ! (cd node_modules/node-snap7 && nice "$node_bin" "$gyp" rebuild --nodedir=/usr -j "$(nproc)") >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  exit 1
fi
rm -f "$log"
"$node_bin" -e "require('./node_modules/node-snap7')"
echo "$want" > "$stamp"
