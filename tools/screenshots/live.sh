#!/usr/bin/env bash
# Takes a screenshot of corvane-dvr showing live video under a virtual X
# display: a fresh home folder, the virtual tuner's band scanned with
# corvane-cli first (so the program starts on a channel), then the program's
# window once the picture runs.
#   tools/screenshots/live.sh <corvane-dvr> <corvane-cli> <output.png> [seconds]
set -euo pipefail
program="$(realpath "$1")"
cli="$(realpath "$2")"
output="$(realpath -m "$3")"
seconds="${4:-8}"

. "$(dirname "$0")/xsession.sh" ok
"$cli" scan >/dev/null
"$program" >"${CORVANE_LOG:-/dev/null}" &
pid=$!
sleep "$seconds"
window="$(xdotool search --name '^Corvane DVR' | head -1)"
import -window "$window" "$output"
kill -TERM "$pid"
wait "$pid"
echo "saved $output"
