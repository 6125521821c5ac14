#!/usr/bin/env bash
# The manual page and the bash completion of velartis-cli know every option
# and format the tool takes, and the completion completes them.
#   check_docs.sh CLI SOURCE_DIR
set -euo pipefail
cli=$1
src=$2
man=$src/tools/man/velartis-cli.1
comp=$src/tools/completion/velartis-cli
fail() { echo "check_docs: $*" >&2; exit 1; }

# Options as the help lists them: the words before each description.
mapfile -t options < <("$cli" --help | sed -n 's/^  \(-[^ ]*\).*/\1/p' | tr ',' '\n')
[ ${#options[@]} -gt 10 ] || fail "no options read from --help"
# The page writes each dash as \- .
page=$(sed 's/\\-/-/g' "$man")
for o in "${options[@]}"; do
  grep -qF -- "$o" <<<"$page" || fail "the manual page does not describe $o"
done

# shellcheck source=/dev/null
source "$comp"
complete_words() {  # complete_words WORD... : COMPREPLY for the last word
  COMP_WORDS=(velartis-cli "$@")
  COMP_CWORD=$#
  _velartis_cli
  printf '%s\n' "${COMPREPLY[@]}"
}
for o in "${options[@]}"; do
  complete_words "$o" | grep -qxF -- "$o" || fail "the completion does not offer $o"
done
# The formats the tool names when it refuses one.
names=$({ "$cli" --format '?' 2>&1 || true; } | sed -n "s/.*unknown format '?' (\(.*\))/\1/p" |
  sed 's/ or /, /' | tr -d ' ' | tr ',' '\n')
[ -n "$names" ] || fail "no format names read from the tool"
offered=$(complete_words --format '')
for f in $names; do
  grep -qxF -- "$f" <<<"$offered" || fail "the completion does not offer --format $f"
  grep -qF -- "\\fB$f\\fR" "$man" || fail "the manual page does not name the format $f"
done
[ "$(complete_words --format e2,nd)" = "e2,ndf" ] || fail "no completion inside a list of formats"
[ "$(complete_words --lang '' | wc -l)" -eq 5 ] || fail "--lang does not complete the five languages"

# The page renders without a warning.
if command -v groff >/dev/null; then
  warnings=$(groff -man -Tutf8 -ww -z "$man" 2>&1)
  [ -z "$warnings" ] || fail "the manual page has faults: $warnings"
fi
echo "check_docs: ${#options[@]} options and every format described and completed"
