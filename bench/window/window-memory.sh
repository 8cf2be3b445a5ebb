#!/usr/bin/env bash
# Measures the desktop program's peak resident memory while it shows live
# video: under a virtual X display with a fresh home folder, the bundled
# broadcast's band is scanned with corvane-cli first (so the program starts
# on a channel with live viewing), the program runs for a while, and its
# peak resident set (VmHWM) and its resident set at that moment (VmRSS) are
# read from /proc before it is asked to end.
#
# Use a build without sanitizers (they multiply the memory), e.g.
#   cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release
#   cmake --build build-rel -j2 --target corvane-dvr corvane-cli
#   bench/window/window-memory.sh build-rel [seconds [picture.png]]
# With a picture file the window is saved there at the moment of measuring,
# to see that the picture was live.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(realpath "${1:-$root/build-rel}")"
seconds="${2:-30}"
picture="${3:+$(realpath -m "$3")}"
program="$build/dvr/corvane-dvr"
cli="$build/tools/cli/corvane-cli"
for f in "$program" "$cli"; do
  [ -x "$f" ] || { echo "window-memory: no $f (build corvane-dvr and corvane-cli)" >&2; exit 2; }
done

. "$root/tools/screenshots/xsession.sh" ok
CORVANE_TUNER_PACE=0 "$cli" scan >/dev/null
"$program" >"$home/program.log" 2>&1 &
pid=$!
sleep "$seconds"
if ! kill -0 "$pid" 2>/dev/null; then
  echo "window-memory: the program ended early; its output:" >&2
  cat "$home/program.log" >&2
  exit 1
fi
window="$(xdotool search --name '^Corvane DVR' | head -1 || true)"
hwm="$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status")"
rss="$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")"
threads="$(awk '/^Threads:/ { print $2 }' "/proc/$pid/status")"
if [ -n "$picture" ] && [ -n "$window" ]; then import -window "$window" "$picture"; fi
kill -TERM "$pid"
wait "$pid" || true
[ -n "$window" ] || echo "window-memory: warning: no main window was found" >&2
awk -v s="$seconds" -v hwm="$hwm" -v rss="$rss" -v t="$threads" 'BEGIN {
  printf "corvane-dvr after %s s of live viewing: peak RSS %d KiB (%.1f MiB), RSS now %d KiB, %s threads\n",
         s, hwm, hwm / 1024, rss, t }'
