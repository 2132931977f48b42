#!/usr/bin/env bash
# The manual page and the bash completion hold what strandline-cli's own
# --help lists: every command and subcommand (both ways), and in the
# completion each subcommand's options. The page renders without warnings.
set -uo pipefail
cd "$(dirname "$0")/../.."
cli=${STRANDLINE_BUILD:-build}/src/cli/strandline-cli
page=docs/man/strandline-cli.1
completion=packaging/completion/strandline-cli
fail=0
problem() { echo "FAILED: $*"; fail=1; }
# same WHAT EXPECTED ACTUAL: two word lists, compared as sets.
same() {
  local a b
  a=$(tr ' ' '\n' <<<"$2" | sed '/^$/d' | sort -u | xargs)
  b=$(tr ' ' '\n' <<<"$3" | sed '/^$/d' | sort -u | xargs)
  [ "$a" = "$b" ] || problem "$1: --help has '$a', but '$b'"
}

# The (sub)commands and options one --help lists.
subcommands() { "$cli" "$@" --help | sed -n '/^Subcommands:/,/^$/p' | awk 'NR > 1 && NF { print $1 }' | xargs; }
options() { "$cli" "$@" --help | sed -n '/^Options:/,/^$/p' | awk '$1 ~ /^--/ { print $1 }' | xargs; }

warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || problem "the manual page renders with warnings: $warnings"
# The COMMANDS section's entries, rendered: "command [subcommand] arguments...".
entries=$(MANWIDTH=200 man -l "$page" 2>/dev/null | col -b | sed -n '/^COMMANDS/,/^[A-Z]/p' |
  grep '^       [a-z]')
[ -n "$entries" ] || problem "the manual page has no COMMANDS entries"

source "$completion"
# complete WORDS...: what the completion offers for the last word.
complete_words() {
  COMP_WORDS=(strandline-cli "$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  _strandline_cli
  echo "${COMPREPLY[*]}"
}

commands=$(subcommands)
[ "$(wc -w <<<"$commands")" -ge 15 ] || problem "--help lists only '$commands'"
same "commands in the manual page" "$commands" "$(awk '{ print $1 }' <<<"$entries" | xargs)"
same "commands in the completion" "$commands --help --version -V" "$(complete_words "")"
for c in $commands; do
  nested=$(subcommands "$c")
  if [ -z "$nested" ]; then
    same "options of $c in the completion" "$(options "$c") --help" "$(complete_words "$c" --)"
    continue
  fi
  same "subcommands of $c in the manual page" "$nested" \
    "$(awk -v c="$c" '$1 == c { print $2 }' <<<"$entries" | xargs)"
  same "subcommands of $c in the completion" "$nested --help" "$(complete_words "$c" "")"
  for s in $nested; do
    same "options of $c $s in the completion" "$(options "$c" "$s") --help" \
      "$(complete_words "$c" "$s" --)"
  done
done

# Values: interface names, files for FILE arguments and options, on|off.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
touch "$work/block.pib"
[[ " $(complete_words scan --interface "") " == *" lo "* ]] || problem "--interface does not offer lo"
[ "$(complete_words pib read "$work/blo")" = "$work/block.pib" ] || problem "pib read FILE is not completed"
[ "$(complete_words scan --db "$work/blo")" = "$work/block.pib" ] || problem "--db FILE is not completed"
[ -z "$(complete_words pib patch "$work/block.pib" "$work/blo")" ] || problem "pib patch OFFSET offers files"
[ "$(complete_words qos set --vlan "")" = "on off" ] || problem "--vlan does not offer on and off"
[ "$(complete_words pib read --simulate net.json "$work/blo")" = "$work/block.pib" ] ||
  problem "an option's value counts as an argument"

[ "$fail" -eq 0 ] && echo "manual page and completion: all checks passed"
exit "$fail"
