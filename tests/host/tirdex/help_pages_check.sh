#!/usr/bin/env bash
# The manual page and the bash completion of tirdex against its command set: every command and
# subcommand that `tirdex --help` lists is in the manual page and completes, and every option of
# every command completes after that command.
# Usage: help_pages_check.sh TIRDEX COMPLETION_FILE MANUAL_PAGE(.gz)
set -uo pipefail
tirdex="$1" completion="$2" page="$3"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# shellcheck disable=SC1090
source "${completion}" || { echo "FAIL: cannot source ${completion}" >&2; exit 1; }
complete -p tirdex >/dev/null || fail "no completion registered for tirdex"

# The words the completion offers for a command line whose last word is being typed.
offers() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  _tirdex
  printf '%s\n' "${COMPREPLY[@]}"
}

# Commands and options as the help text lists them (CLI11 layout: "Subcommands:" and "Options:"
# sections with the name first on an indented line).
help_section() {
  "${tirdex}" "$@" --help | awk '
    /^[A-Za-z]+:$/ { section = $0; next }
    section == "Subcommands:" && /^  [a-z]/ { print $1 }' | sed 's/,.*//'
}
options_of() {
  "${tirdex}" "$@" --help | awk '
    /^[A-Za-z]+:$/ { section = $0; next }
    section == "Options:" && /^  -/ { split($1, names, ","); for (i in names) print names[i] }'
}

# roff writes a hyphen as \-.
manual="$( (gzip -dc "${page}" 2>/dev/null || cat "${page}") | sed 's/\\-/-/g')"

check_command() {  # the command path as words
  local last="${*: -1}" option
  grep -q -- "${last}" <<<"${manual}" || fail "'$*' is not in the manual page"
  offers tirdex "${@:1:$#-1}" "${last:0:3}" | grep -x -- "${last}" >/dev/null ||
    fail "'$*' does not complete from '${last:0:3}'"
  while read -r option; do
    [[ -z "${option}" ]] && continue
    offers tirdex "$@" "${option}" | grep -x -- "${option}" >/dev/null ||
      fail "option ${option} of '$*' does not complete"
  done < <(options_of "$@")
}

commands=0
while read -r command; do
  check_command "${command}"
  commands=$((commands + 1))
  while read -r sub; do
    [[ -n "${sub}" ]] && check_command "${command}" "${sub}"
  done < <(help_section "${command}")
done < <(help_section)

[[ ${commands} -ge 20 ]] || fail "only ${commands} commands found in tirdex --help"
# An option value completes as a file name, not as a command.
[[ "$(offers tirdex export --goods sch)" != *schema* ]] || fail "an option value completed as a command"
echo "checked ${commands} commands: ${failures} failure(s)"
exit $((failures > 0))
