#!/usr/bin/env bash
# The bash completion of brivant-cli offers every command of `brivant-cli --help`, the options
# of a command, and the projects of the workspace for --project.
# Usage: completion_test.sh BRIVANT_CLI COMPLETION_SCRIPT WORK_DIR
set -euo pipefail
cli="$1" script="$2" work="$3"
rm -rf "$work" && mkdir -p "$work/ws/PROJECTS/Plant A" "$work/ws/PROJECTS/Line 2"

# Prints the completions for the words given (the last one is the word being completed).
complete_words() {
  bash --norc --noprofile -c '
    source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(( ${#COMP_WORDS[@]} - 1 ))
    _brivant_cli
    printf "%s\n" "${COMPREPLY[@]}"' _ "$script" "$@"
}

status=0
expect() { # expect WHAT OUTPUT WORD...
  local what="$1" output="$2"; shift 2
  for word in "$@"; do
    if ! grep -qxF -- "$word" <<<"$output"; then
      echo "FAIL: $what does not offer '$word'; offered:"; echo "$output" | sed 's/^/  /'; status=1
    fi
  done
}

commands=$("$cli" --help | sed -n '/^Commands:/,/^$/p' | awk '/^  [a-z]/ { print $1 }')
[ -n "$commands" ] || { echo "FAIL: no commands in brivant-cli --help"; exit 1; }
# shellcheck disable=SC2086
expect "the first word" "$(complete_words "$cli" "")" $commands --help --version
expect "gsd's options" "$(complete_words "$cli" gsd --)" --force
expect "update's options" "$(complete_words "$cli" update x --)" --ip --option --no-read-back --workspace
expect "import-db's options" "$(complete_words "$cli" import-db x --)" --list --plc --port --db --block --select --poll
expect "--list" "$(complete_words "$cli" import-db x --list "")" read write
expect "--option" "$(complete_words "$cli" job --option "")" 0 1 2
expect "--project" "$(complete_words "$cli" job --workspace "$work/ws" --project "")" "Plant A" "Line 2"
expect "history's options" "$(complete_words "$cli" history x --)" --json --restore --no-history
expect "import-rules' options" "$(complete_words "$cli" import-rules x y --)" --no-history
mkdir -p "$work/ws/PROJECTS/Plant A/history"
: >"$work/ws/PROJECTS/Plant A/history/2026-12-11T14-03-22_S7_Protocol.xml"
expect "--restore" "$(complete_words "$cli" history "$work/ws/PROJECTS/Plant A" --restore "")" \
  2026-12-11T14-03-22_S7_Protocol.xml
[ $status -eq 0 ] && echo "completion: $(wc -w <<<"$commands") commands, options and projects offered"
exit $status
