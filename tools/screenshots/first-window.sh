#!/usr/bin/env bash
# Takes a screenshot of corvane-dvr's first window under a virtual X display,
# with a fresh home folder (so the program starts as on a new machine).
#   tools/screenshots/first-window.sh <corvane-dvr> <output.png> [seconds]
set -euo pipefail
program="$(realpath "$1")"
output="$(realpath -m "$2")"
seconds="${3:-6}"

. "$(dirname "$0")/xsession.sh" ok
"$program" &
pid=$!
sleep "$seconds"
window="$(xdotool search --name '^Corvane DVR' | head -1)"
import -window "$window" "$output"
kill -TERM "$pid"
wait "$pid"
echo "saved $output"
