#!/usr/bin/env bash
# Takes screenshots of corvane-dvr's Settings and Channels dialogs under a
# virtual X display, on a fresh home folder, as a person meets them at the
# first start: the Settings dialog (then OK), and the Channels dialog after a
# scan of the bundled broadcast (then Close).
#   tools/screenshots/dialogs.sh <corvane-dvr> <output folder> [scan seconds]
set -euo pipefail
program="$(realpath "$1")"
folder="$(realpath -m "$2")"
scanSeconds="${3:-25}"
mkdir -p "$folder"

. "$(dirname "$0")/xsession.sh"
"$program" &
pid=$!

# The window named exactly `title`, once it shows (up to 20 s).
wait_window() {
  for _ in $(seq 1 100); do
    id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)"
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.2
  done
  echo "no window \"$1\"" >&2
  return 1
}

# A click at a point of a window (its client coordinates).
click() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
}

settings="$(wait_window Settings)"
sleep 1
import -window "$settings" "$folder/settings.png"
click "$settings" 318 380  # OK

channels="$(wait_window Channels)"
sleep 1
click "$channels" 340 128  # Slow Scan off: only channels with a signal settle
click "$channels" 380 162  # Scan
sleep "$scanSeconds"
import -window "$channels" "$folder/channels.png"
click "$channels" 380 416  # Close
sleep 1
kill -TERM "$pid"
wait "$pid"
echo "saved $folder/settings.png $folder/channels.png"
