#!/usr/bin/env bash
# A tour of corvane-dvr as a person takes it, under a virtual X display with a
# tray host, on a fresh home folder and the bundled broadcast:
#  1. first start: the Settings dialog (OK), the Channels dialog (Scan, Close);
#  2. watching the first channel, with the channel banner ("I");
#  3. the guide ("G"): "Record Custom..." on the programme under the cursor,
#     with the start set a minute ahead and a duration of one minute, then
#     "Record Weekly" on a programme an hour or more ahead;
#  4. File, Close: the window goes to the tray, and the timer records there;
#  5. back from the tray (a double click on its icon), the recording played
#     with File, Open File...; the Timers dialog ("T"), then the end of the
#     session (SIGTERM) while the dialog is open.
#  6. a second start on what the first saved: a channel key, the wheel (the
#     volume), pause and resume, full screen and back, and Close from the
#     tray icon's menu.
# Then it checks the recording (ffprobe), the timer list and the settings file
# (with corvane-cli). Screenshots go to the output folder: guide.png (the grid
# with its details panel), timers.png (the Timers dialog with the weekly timer)
# and playback.png (the recording with the playback bar).
#   tools/tour/tour.sh <build folder> <output folder>
# Exits 77 (skipped) when Xvfb, xdotool, import, trayer or ffprobe is missing.
set -euo pipefail
build="$(realpath "$1")"
out="$(realpath -m "$2")"
dvr="$build/dvr/corvane-dvr"
cli="$build/tools/cli/corvane-cli"
here="$(dirname "$(realpath "$0")")"

for tool in Xvfb xdotool import trayer ffprobe; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: the tour needs $tool (tools/packages/install.sh installs it)"
    exit 77
  fi
done
mkdir -p "$out"

. "$here/../screenshots/xsession.sh"
# The simulator's encoded loops are kept with the build between runs; the
# data folder is the fresh home's own.
export XDG_CACHE_HOME="$build/test-cache/tour"
data="$XDG_DATA_HOME/Corvane DVR"
log="$home/dvr.log"

step() { echo "[$(date +%T)] $*"; }
fail() {
  echo "FAILED: $*" >&2
  import -window root "$out/failed.png" 2>/dev/null || true
  echo "--- program output" >&2
  tail -n 40 "$log" >&2 || true
  exit 1
}

# Polls `command...` every half second until it succeeds, for up to
# `seconds`; fails the tour with `what` otherwise.
wait_for() {
  local seconds="$1" what="$2"
  shift 2
  local end=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || fail "$what (after $seconds s)"
    running || fail "$what: the program ended"
    sleep 0.5
  done
}

running() { kill -0 "$pid" 2>/dev/null; }
visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
shown() { [ -n "$(visible "$1")" ]; }
# The window of that title, once it shows.
window() {
  wait_for 60 "no window \"$1\"" shown "$1"
  visible "$1"
}
# Keys typed into a window, as a person types them (focus first).
keys() {
  local w="$1"
  shift
  xdotool windowfocus --sync "$w" 2>/dev/null || xdotool windowfocus "$w"
  xdotool key --delay 150 "$@"
}
click() { xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"; }
# The program's windows on the screen (its menus are windows of their own).
windows() { xdotool search --onlyvisible --classname corvane-dvr 2>/dev/null | wc -l; }
more_windows() { [ "$(windows)" -gt "$1" ]; }
# A right click on a guide box, once its context menu shows.
context_menu() {
  local before
  before="$(windows)"
  click "$1" "$2" "$3" 3
  wait_for 20 "no context menu" more_windows "$before"
  sleep 0.3
}
shot() {
  sleep 1
  import -window "$1" "$out/$2"
  step "screenshot $2"
}
exists() { [ -e "$1" ]; }
# The program ends within a minute, with status 0; fails the tour with
# `what` otherwise.
ends_cleanly() {
  local end=$((SECONDS + 60)) code
  while running && [ "$SECONDS" -lt "$end" ]; do sleep 0.5; done
  running && fail "$1"
  wait "$pid" && code=0 || code=$?
  [ "$code" -eq 0 ] || fail "the program ended with $code"
}

# The tray host: a strip at the top right of the screen. Started again when
# it could not take the display on its first try.
tray_shown() { xdotool search --onlyvisible --class trayer >/dev/null 2>&1; }
for attempt in 1 2 3; do
  trayer --edge top --align right --widthtype request --height 32 --transparent false &
  tray=$!
  for _ in $(seq 1 40); do
    tray_shown && break
    sleep 0.25
  done
  tray_shown && break
  kill "$tray" 2>/dev/null || true
done
tray_shown || fail "the tray host did not start"

step "first start"
"$dvr" >"$log" 2>&1 &
pid=$!

settings="$(window Settings)"
sleep 1
click "$settings" 318 380 # OK

channels="$(window Channels)"
sleep 1
click "$channels" 340 128 # Slow Scan off: only channels with a signal settle
click "$channels" 380 162 # Scan
step "scanning"
wait_for 180 "the scan did not finish" exists "$data/PSIP.txt"
sleep 1
click "$channels" 380 416 # Close

step "watching"
main="$(window 'Corvane DVR')"
# The live picture: a patch of the video area is no longer black.
picture() {
  local mean
  mean="$(import -window "$main" -crop 60x60+20+100 -format '%[fx:mean]' info: 2>/dev/null)"
  awk -v m="${mean:-0}" 'BEGIN { exit !(m > 0.05) }'
}
wait_for 90 "no live picture" picture
# The guide fills from the broadcast's tables while the channel plays.
sleep 5
keys "$main" i
shot "$main" watch.png

# In the last 150 s of a half hour the timer a minute ahead could start with
# the next half hour's programmes: the tour waits for the half hour instead.
late=$(($(date +%s) % 1800))
[ "$late" -lt 1650 ] || sleep $((1800 - late + 5))
step "the guide"
keys "$main" g
sleep 2
# The guide opens on the tuned channel's row (the top one) with the
# programme on the air selected: its box holds the grid's left edge (it may
# have begun before the grid's first half hour).
# "Record Custom..." (the context menu's last item) opens Set Timer with the
# programme; the start becomes the first whole minute at least 40 s ahead
# (the picker shows minutes), the duration one minute, the name our own.
context_menu "$main" 160 207
xdotool key --delay 150 Up Return
setTimer="$(window 'Set Timer')"
sleep 1
start=$((($(date +%s) + 40 + 59) / 60 * 60))
title="Tour Recording"
click "$setTimer" 160 59 # Start Time: typed from its first field on
xdotool key Home
# The picker moves on to AM/PM by itself after the minutes: a space typed
# there would keep the programme's own half of the day.
xdotool type --delay 80 "$(date -d "@$start" '+%Y/%m/%d %I:%M')"
xdotool type --delay 80 "$(date -d "@$start" '+%p')"
# Duration: hours down to 0, minutes down to 0 and one up (the programmes
# last 30, 60 or 90 minutes).
click "$setTimer" 137 93
xdotool key --delay 60 Down Down
click "$setTimer" 156 93
xdotool key --delay 40 $(printf 'Down %.0s' $(seq 1 31)) Up
click "$setTimer" 260 127 # Program Name
xdotool key ctrl+a
xdotool type --delay 30 "$title"
sleep 0.5
import -window "$setTimer" "$out/set-timer.png"
click "$setTimer" 273 301 # OK
wait_for 20 "Set Timer stayed open" bash -c "! xdotool search --onlyvisible --name '^Set Timer\$' | grep -q ."
grep -q "Error!" "$log" && fail "Set Timer refused the timer"

# "Record Weekly" (the context menu's third item) on the second row's
# programme in the last half hour of the grid: an hour or more ahead, so it
# overlaps neither the timer above nor (one tuner) conflicts with it.
context_menu "$main" 480 252
xdotool key --delay 150 Down Down Down Return
sleep 1
grep -q "Error!" "$log" && fail "the weekly timer was refused"
shot "$main" guide.png
keys "$main" Escape

step "to the tray"
before="$(windows)"
keys "$main" alt+f
wait_for 20 "no File menu" more_windows "$before"
sleep 0.3
xdotool key --delay 150 Up Return # Close, the menu's last item
wait_for 20 "the window did not go to the tray" bash -c "! xdotool search --onlyvisible --name '^Corvane DVR\$' | grep -q ."
running || fail "the program ended on Close"

step "recording from $(date -d "@$start" +%T) for a minute"
# The recording folder is the user's videos folder; the data folder holds the
# time-shift buffer's own files.
recordings() { find "$HOME" -name '*.mpg' -not -path "$data/*"; }
recorded() { recordings | grep -q .; }
wait_for $((start - $(date +%s) + 90)) "no recording started" recorded
recording="$(recordings | head -1)"
[[ "$recording" == *"$title"* ]] || fail "the recording is not named for its timer: $recording"
ended() {
  [ "$(date +%s)" -gt $((start + 62)) ] || return 1
  local size
  size="$(stat -c %s "$recording")"
  sleep 2
  [ "$size" -eq "$(stat -c %s "$recording")" ]
}
wait_for 150 "the recording did not end" ended

step "back from the tray"
icon="$(xdotool search --onlyvisible --class trayer | head -1)"
xdotool mousemove --window "$icon" 12 16 click --repeat 2 --delay 80 1
main="$(window 'Corvane DVR')"

step "playing $recording"
keys "$main" ctrl+o
picker="$(window 'Open dvr-ms')"
sleep 1
xdotool windowfocus --sync "$picker"
xdotool type --delay 20 "$recording"
xdotool key Return
wait_for 20 "the file picker stayed open" bash -c "! xdotool search --onlyvisible --name '^Open dvr-ms\$' | grep -q ."
sleep 4
keys "$main" bracketright # 30 s on: the playback bar shows
shot "$main" playback.png

step "the Timers dialog"
keys "$main" t
timers="$(window Timers)"
sleep 1
shot "$timers" timers.png

step "the session ends with the Timers dialog open"
kill -TERM "$pid"
ends_cleanly "SIGTERM did not end the program while the Timers dialog was open"

step "checks"
seconds="$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$recording")"
echo "recording: $recording, $seconds s"
awk -v s="$seconds" 'BEGIN { exit !(s >= 40 && s <= 75) }' || fail "the recording lasts $seconds s"
"$cli" status | grep "Settings file:" | tee "$home/status.txt"
grep -q "read cleanly" "$home/status.txt" || fail "the settings file does not read cleanly"
"$cli" timers list | tee "$home/timers.txt"
grep -Eq '^[0-9]+: [-SMTWF]{7} .* Ch 7\.1 ' "$home/timers.txt" ||
  fail "the weekly timer is not in the settings file"
grep -q "$title" "$home/timers.txt" && fail "the ended once timer is still listed"

step "second start on the saved settings"
"$cli" status >"$home/before.txt"
log="$home/dvr2.log"
"$dvr" >"$log" 2>&1 &
pid=$!
main="$(window 'Corvane DVR')"
wait_for 90 "no live picture on the second start" picture

step "a channel key and the wheel"
keys "$main" KP_Add
sleep 3
wait_for 30 "no live picture after the channel key" picture
# Two notches down: two volume steps.
xdotool mousemove --window "$main" 260 200 click --repeat 2 --delay 200 5
sleep 6

step "pause and resume"
# The bottom of the picture (its moving square), clear of the banner, the
# playback bar and the control panel; the volume bar has gone by then.
band() { import -window "$main" -crop 520x70+6+298 "$1" 2>/dev/null; }
same() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = "0" ]; }
keys "$main" backslash
sleep 2
band "$home/p1.png"
sleep 1.5
band "$home/p2.png"
same "$home/p1.png" "$home/p2.png" || fail "the picture moved while paused"
shot "$main" paused.png
keys "$main" backslash
sleep 2
band "$home/p3.png"
sleep 1.5
band "$home/p4.png"
same "$home/p3.png" "$home/p4.png" && fail "the picture stood still after resume"

step "full screen and back"
geometry() { xdotool getwindowgeometry "$main" | awk '/Geometry:/ { print $2 }'; }
normal="$(geometry)"
keys "$main" alt+Return
full() { [ "$(geometry)" = "1280x800" ]; }
wait_for 20 "full screen does not fill the screen ($(geometry))" full
sleep 1
import -window root "$out/fullscreen.png"
keys "$main" alt+Return
back() { [ "$(geometry)" = "$normal" ]; }
wait_for 20 "the window did not come back at $normal ($(geometry))" back

step "Close from the tray icon's menu"
icon="$(xdotool search --onlyvisible --class trayer | head -1)"
before="$(windows)"
xdotool mousemove --window "$icon" 12 16 click 3
wait_for 20 "no tray menu" more_windows "$before"
sleep 0.3
xdotool key --delay 150 Up Return # Close, the menu's last item
ends_cleanly "Close in the tray menu did not end the program"

step "checks of the second start"
"$cli" status >"$home/after.txt"
grep -E "Current channel|Volume" "$home/before.txt" "$home/after.txt"
was="$(grep "Current channel" "$home/before.txt")"
now="$(grep "Current channel" "$home/after.txt")"
[ -n "$now" ] && [ "$now" != "$was" ] || fail "the channel key did not change the saved channel"
volume() { awk '/^Volume:/ { print $2 }' "$1"; }
[ "$(volume "$home/after.txt")" -eq $(($(volume "$home/before.txt") - 2)) ] ||
  fail "two wheel notches down did not lower the saved volume by two steps"
echo "tour passed"
