#!/usr/bin/env bash
# "bash sternwake.sh start" without a display refuses at once, before any
# package or build step, says how to run it on a desktop and names the
# headless command; it must not start a station on an invisible screen.
set -uo pipefail
top=${1:?usage: start-without-display.sh <repository top>}
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

env -u DISPLAY timeout 60 bash "$top/sternwake.sh" start >"$out" 2>"$err"
code=$?
fail=0
check() { if ! eval "$1"; then echo "FAILED: $2" >&2; fail=1; fi; }
check '[ "$code" -eq 1 ]' "exit code $code, expected 1"
check '[ ! -s "$out" ]' "something on standard output: $(cat "$out")"
check 'grep -q "no display" "$err"' "no word of the missing display"
check 'grep -q "desktop" "$err"' "no word of how to run it on a desktop"
check 'grep -q "bash sternwake.sh test" "$err"' "the headless command is not named"
check '! grep -q -e "setup:" -e "building" -e "starting station" "$err"' "went on past the check: $(cat "$err")"
exit $fail
