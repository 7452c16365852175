#!/usr/bin/env bash
# The manual page and the bash completion of raskladka-cli against the built program:
# every command and option its help shows must be in both, and the completion must
# offer what each place on the command line takes.
# usage: cli_docs_test.sh RASKLADKA_CLI SOURCE_DIR
set -u
cli=$(realpath "$1") src=$2
page=$src/man/raskladka-cli.1
completion=$src/packaging/raskladka-cli.bash
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

commands=$("$cli" --help | sed -n '/^Commands:/,/^$/p' | grep -oE '^  [a-z][a-z-]*' | tr -d ' ')
[ -n "$commands" ] || { echo "FAIL: no commands in raskladka-cli --help"; exit 1; }
options_of() { "$cli" "$1" --help | grep -oE '(^|[][ (,|])--?[a-z][a-z-]*' | sed 's/^[][ (,|]//' | sort -u; }

# The page: a section per command, each option of the command's help in the page's text.
text=$(sed 's/\\-/-/g' "$page")
page_commands=$(grep -oE '^\.SS "[a-z][a-z-]*' "$page" | sed 's/^\.SS "//' | sort)
for c in $commands; do
  grep -qx "$c" <<<"$page_commands" || fail "the manual page has no section for $c"
  for o in $(options_of "$c"); do
    grep -qE -- "(^|[^a-z-])$o([^a-z-]|$)" <<<"$text" || fail "the manual page lacks $c's option $o"
  done
done
grep -qE -- '--version' <<<"$text" || fail "the manual page lacks --version"

if [ ! -f /usr/share/bash-completion/bash_completion ]; then
  echo "FAIL: bash-completion is not installed: install the Debian package bash-completion"
  exit 1
fi
# shellcheck disable=SC1091
. /usr/share/bash-completion/bash_completion
# shellcheck disable=SC1090
. "$completion"

# complete WORD... : what the completion offers for the last word, one a line, as bash
# would split the line (a ':' or '=' is a word of its own).
complete_words() {
  COMP_WORDS=(raskladka-cli "$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_LINE=${COMP_LINE// : /:}
  COMP_LINE=${COMP_LINE// = /=}
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _raskladka_cli "$cli" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
  [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | sort
}
offers() { grep -qx -- "$2" <<<"$1"; }

first=$(complete_words "")
for c in $commands --help --version; do
  offers "$first" "$c" || fail "the completion does not offer $c"
done
completion_commands=$(grep -vE '^-' <<<"$first")
[ "$completion_commands" = "$page_commands" ] ||
  fail "commands of the completion ($(echo $completion_commands)) and of the page ($(echo $page_commands)) differ"
for c in $commands; do
  offered=$(complete_words "$c" -)
  for o in $(options_of "$c"); do
    offers "$offered" "$o" || fail "the completion does not offer $c's option $o"
  done
done

cd "$work" || exit 1
touch a.kmp b.btv c.json d.txt out.pdf log.csv kbd
mkdir sub
export RASKLADKA_EXTRA_PORTS="$work/kbd=Magnetic Stripe Reader (test)"
expect() {
  local what=$1 want=$2; shift 2
  local got
  got=$(complete_words "$@" | tr '\n' ' ')
  [ "$got" = "$want" ] || fail "$what: offered '$got', expected '$want'"
}
expect "layout files" "a.kmp b.btv c.json log.csv sub " info ""
expect "sheets" "codes labels " print b.btv --sheet ""
expect "sheet after =" "codes labels " print b.btv --sheet = ""
expect "the PDF" "out.pdf sub " print b.btv -o ""
expect "the CSV log" "log.csv sub " station a.kmp --log ""
expect "nothing after ports" "" ports ""
offers "$(complete_words upload a.kmp --port "")" "$work/kbd" || fail "--port does not offer the listed port"
offers "$(complete_words diff a.kmp port : "")" "$work/kbd" || fail "diff does not offer port:$work/kbd"

if [ $failures -ne 0 ]; then echo "$failures failed"; exit 1; fi
echo "manual page and completion agree with raskladka-cli"
