#!/usr/bin/env bash
# Takes a screenshot of corvane-dvr's guide grid with its details panel under
# a virtual X display: a fresh home folder, a channel scan of the bundled
# broadcast, a few seconds of watching for the guide tables, then "G".
#   tools/screenshots/guide.sh <corvane-dvr> <corvane-cli> <output.png> [seconds]
set -euo pipefail
program="$(realpath "$1")"
cli="$(realpath "$2")"
output="$(realpath -m "$3")"
seconds="${4:-12}"

. "$(dirname "$0")/xsession.sh" ok
CORVANE_TUNER_PACE=0 "$cli" scan >/dev/null
"$program" &
pid=$!
sleep "$seconds"
window="$(xdotool search --name '^Corvane DVR' | head -1)"
xdotool windowfocus --sync "$window" key g
sleep 1
import -window "$window" "$output"
kill -TERM "$pid"
wait "$pid"
echo "saved $output"
