#!/usr/bin/env bash
# ExpectFailure.sh PATTERN... -- COMMAND...: passes when COMMAND exits with 1
# and its output matches every extended regular expression PATTERN.
set -uo pipefail
patterns=()
while [ "$1" != "--" ]; do patterns+=("$1"); shift; done
shift
output="$("$@" 2>&1)"
status=$?
printf '%s\n' "$output"
[ "$status" -eq 1 ] || { echo "expected exit status 1, got $status"; exit 1; }
for p in "${patterns[@]}"; do
  grep -qE "$p" <<<"$output" || { echo "output lacks /$p/"; exit 1; }
done
