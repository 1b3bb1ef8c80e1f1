#!/usr/bin/env bash
# The manual pages render without a warning, and the page of brivant-cli names every command
# that `brivant-cli --help` lists.
# Usage: man_pages_test.sh BRIVANT_CLI MAN_DIR
set -euo pipefail
cli="$1" man_dir="$2"
status=0

for page in "$man_dir"/brivant.1 "$man_dir"/brivant-cli.1; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null || true)
  if [ -n "$warnings" ]; then
    echo "FAIL: $page renders with warnings:"; echo "$warnings"; status=1
  fi
done

rendered=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -E UTF-8 -l "$man_dir/brivant-cli.1" 2>/dev/null | col -bx)
commands=$("$cli" --help | sed -n '/^Commands:/,/^$/p' | awk '/^  [a-z]/ { print $1 }')
[ -n "$commands" ] || { echo "FAIL: no commands in brivant-cli --help"; exit 1; }
for command in $commands; do
  if ! grep -qE "^ +$command( |$)" <<<"$rendered"; then
    echo "FAIL: the manual page of brivant-cli does not describe the command '$command'"; status=1
  fi
done
for option in $("$cli" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
  if ! grep -qF -- "$option" <<<"$rendered"; then
    echo "FAIL: the manual page of brivant-cli does not name the option '$option'"; status=1
  fi
done
[ $status -eq 0 ] && echo "manual pages: $(wc -w <<<"$commands") commands described, no warnings"
exit $status
