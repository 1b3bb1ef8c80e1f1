#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the whole suite (warnings as errors),
# Debian's checks of the package built from it, the whole suite again under AddressSanitizer +
# UndefinedBehaviorSanitizer, and each fuzz target fuzzed for about 20 seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# snap7's S7 server, the PLC check's real peer (Node.js, npm and node-gyp from Debian when missing).
scripts/snap7_peer.sh

echo "== build and test (ci preset, build/)"
cmake --preset ci
cmake --build --preset ci
ctest --preset ci

echo "== package checks (lintian, desktop entry, AppStream, manual pages)"
scripts/package_checks.sh build

echo "== build and test under AddressSanitizer + UndefinedBehaviorSanitizer (build-asan/)"
cmake --preset asan
cmake --build --preset asan
ctest --preset asan

echo "== fuzzing (clang 14 libFuzzer, build-fuzz/)"
scripts/fuzz.sh "${FUZZ_SECONDS:-20}"

echo "== all tests passed"
