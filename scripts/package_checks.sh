#!/usr/bin/env bash
# Builds the DEB package from a built tree and checks it as Debian's tools do: lintian (no
# error, no warning), the desktop entry, the AppStream metadata and the manual pages.
# Usage: scripts/package_checks.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
status=0

(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/brivant_*_amd64.deb)
echo "package: $deb"

# Informational and pedantic tags are shown; errors and warnings fail.
tags=$(lintian --info --pedantic "$deb" 2>/dev/null || true)
[ -n "$tags" ] && echo "$tags"
if grep -qE '^[EW]:' <<<"$tags"; then
  echo "FAIL: lintian reports errors or warnings"; status=1
else
  echo "lintian: no errors, no warnings"
fi

desktop-file-validate packaging/brivant.desktop && echo "desktop-file-validate: passed" || status=1
appstreamcli validate --no-net packaging/example.norvalt.brivant.metainfo.xml || status=1

for page in packaging/man/brivant.1 packaging/man/brivant-cli.1; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null || true)
  if [ -n "$warnings" ]; then echo "FAIL: $page: $warnings"; status=1; else echo "man --warnings -l $page: clean"; fi
done

[ $status -eq 0 ] && echo "package checks passed"
exit $status
