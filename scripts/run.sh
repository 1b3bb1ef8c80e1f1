#!/usr/bin/env bash
# Installs what is missing, builds the configurator into build/bin and starts it.
# Arguments are passed to the program (for example --workspace DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target brivant brivant-cli
exec build/bin/brivant "$@"
