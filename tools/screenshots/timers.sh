#!/usr/bin/env bash
# Takes a screenshot of corvane-dvr's "Timers" dialog listing a weekly timer,
# a once timer and a daily one, under a virtual X display with a fresh home
# folder: the channels come from a scan of the virtual tuner, the timers from
# corvane-cli, and the dialog is opened from the window's menu.
#   tools/screenshots/timers.sh <build folder> <output.png>
set -euo pipefail
build="$(realpath "$1")"
output="$(realpath -m "$2")"
dvr="$build/dvr/corvane-dvr"
cli="$build/tools/cli/corvane-cli"

. "$(dirname "$0")/xsession.sh" ok:Settings

CORVANE_TUNER_PACE=0 "$cli" scan >/dev/null
day="$(date -d 'next monday' +%F)"
"$cli" timers add --channel 5.5 --start "$day 20:00" --minutes 60 --days "-T-T---" \
  --title "Evening News"
"$cli" timers add --channel 7.1 --start "$day 21:30" --minutes 90 --title "Feature Film"
"$cli" timers add --channel 7.2 --start "$day 06:00" --minutes 30 --days "MTWTFSS" \
  --title "Morning Weather"

"$dvr" &
pid=$!
sleep 6
window="$(xdotool search --name '^Corvane DVR' | head -1)"
xdotool windowfocus --sync "$window"
# File, then its third item, "Timers...".
xdotool key --window "$window" alt+f
sleep 1
xdotool key Down Down Return
sleep 2
dialog="$(xdotool search --name '^Timers$' | head -1)"
import -window "$dialog" "$output"
xdotool key Escape
sleep 1
kill -TERM "$pid"
wait "$pid" || true
echo "saved $output"
