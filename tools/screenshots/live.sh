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

home="$(mktemp -d)"
trap 'kill "${pid:-}" "${xvfb:-}" 2>/dev/null || true; rm -rf "$home"' EXIT
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config"
export XDG_RUNTIME_DIR="$home/run" CORVANE_BOXES=print CORVANE_DIALOGS=ok
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
"$cli" scan >/dev/null

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp &
xvfb=$!
sleep 1
export DISPLAY="$display"
"$program" >"${CORVANE_LOG:-/dev/null}" &
pid=$!
sleep "$seconds"
window="$(xdotool search --name '^Corvane DVR' | head -1)"
import -window "$window" "$output"
kill -TERM "$pid"
wait "$pid"
echo "saved $output"
