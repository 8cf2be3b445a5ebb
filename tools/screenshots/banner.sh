#!/usr/bin/env bash
# Takes a screenshot of corvane-dvr with the channel banner and the
# programme description shown, under a virtual X display with a fresh home
# folder: the channels are scanned first with corvane-cli, then the program
# starts on them and the "I" key (programme information) is pressed. Another
# key can be given, with the seconds to wait before the picture is taken:
# "u 8" turns captions on and waits for the broadcast's next caption.
#   tools/screenshots/banner.sh <corvane-dvr> <corvane-cli> <output.png> [seconds [key [wait]]]
set -euo pipefail
program="$(realpath "$1")"
cli="$(realpath "$2")"
output="$(realpath -m "$3")"
seconds="${4:-8}"
key="${5:-i}"
settle="${6:-1.5}"

. "$(dirname "$0")/xsession.sh" ok
CORVANE_TUNER_PACE=0 "$cli" scan > /dev/null
"$program" &
pid=$!
sleep "$seconds"
window="$(xdotool search --name '^Corvane DVR' | head -1)"
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
xdotool key --window "$window" "$key"
sleep "$settle"
import -window "$window" "$output"
kill -TERM "$pid"
wait "$pid" || true
echo "saved $output"
