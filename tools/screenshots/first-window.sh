#!/usr/bin/env bash
# Takes a screenshot of corvane-dvr's first window under a virtual X display,
# with a fresh home folder (so the program starts as on a new machine).
#   tools/screenshots/first-window.sh <corvane-dvr> <output.png> [seconds]
set -euo pipefail
program="$(realpath "$1")"
output="$(realpath -m "$2")"
seconds="${3:-6}"

home="$(mktemp -d)"
trap 'kill "${pid:-}" "${xvfb:-}" 2>/dev/null || true; rm -rf "$home"' EXIT
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp &
xvfb=$!
sleep 1

export DISPLAY="$display" HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config"
export XDG_RUNTIME_DIR="$home/run" CORVANE_BOXES=print CORVANE_DIALOGS=ok
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
"$program" &
pid=$!
sleep "$seconds"
window="$(xdotool search --name '^Corvane DVR' | head -1)"
import -window "$window" "$output"
kill -TERM "$pid"
wait "$pid"
echo "saved $output"
