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

home="$(mktemp -d)"
trap 'kill "${pid:-}" "${xvfb:-}" 2>/dev/null || true; rm -rf "$home"' EXIT
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp &
xvfb=$!
sleep 1

export DISPLAY="$display" HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config"
export XDG_RUNTIME_DIR="$home/run" CORVANE_BOXES=print CORVANE_DIALOGS=ok
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
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
