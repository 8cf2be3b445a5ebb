# Sourced by bench/run (needs $root, $build, $work, $cli and the 60 s capture
# $short): the live figures, in real time on the virtual tuner and the bundled
# sample broadcast. Fills liveRows (table rows, each with the 1-minute load
# average when it was taken) and liveNotes, and sets liveSeconds.
liveStart=$SECONDS
liveRows=()
liveNotes=()

# livejson PROGRAM FILTER [ARGS...]: runs a benchmark program under nice; its
# JSON report (benchmarks with counters of their own: the CSV report wants the
# same counters in every one).
livejson() {
  local program=$1 filter=$2
  shift 2
  nice "$build/bench/$program" --benchmark_filter="$filter" --benchmark_out="$work/live.json" \
    --benchmark_out_format=json "$@" >"$work/live.log" 2>&1 ||
    { echo "bench/run: failed: $program $filter" >&2; cat "$work/live.log" >&2; exit 1; }
  cat "$work/live.json"
}
# field NAME-PREFIX KEY < JSON: that figure of the first benchmark whose name
# starts so (empty when it failed).
field() {
  python3 -c '
import json, sys
for b in json.load(sys.stdin)["benchmarks"]:
    if b["name"].startswith(sys.argv[1]) and not b.get("error_occurred") and sys.argv[2] in b:
        print(b[sys.argv[2]])
        break' "$1" "$2"
}
load() { cut -d' ' -f1 /proc/loadavg; }
# atMost VALUE LIMIT: yes when the value is there and not above the limit.
atMost() { awk -v a="$1" -v b="$2" 'BEGIN { print (a != "" && a + 0 <= b + 0) ? "yes" : "no" }'; }
round() { [ -z "$1" ] && echo failed || awk -v v="$1" -v d="${2:-0}" 'BEGIN { printf "%.*f", d, v }'; }
# row MEASURE WHAT UNIT VALUE FFMPEG GOAL LIMIT [LOAD [DECIMALS]]
row() {
  liveRows+=("$1|$2|$3|$(round "$4" "${9:-1}")|$5|$6|$(atMost "$4" "$7")|${8:-$(load)}")
}
# count NAME KEY < JSON: a counter of whole things.
count() { round "$(field "$1" "$2")" 0; }

echo "== live: channel changes and the scan (manager_bench)" >&2
json=$(livejson manager/manager_bench 'BM_Zap|BM_Scan')
row "zap within a multiplex, first video sample" "7.1 <-> 7.2" "median ms" \
  "$(field BM_ZapWithinMultiplex median_ms <<<"$json")" "" "<= 1000 (user)" 1000
row "zap across multiplexes, first video sample" "7.1 <-> 5.5" "median ms" \
  "$(field BM_ZapAcrossMultiplexes median_ms <<<"$json")" "" "<= 1000 (user)" 1000
# The band: 68 channels, 2 with a signal; each of those collects tables for 4 s.
row "scan of a band" "Antenna US 2-69, 2 with signal" "s" \
  "$(field BM_ScanAntennaUs real_time <<<"$json")" "" "<= 11.4: 2 x 4 s + 68 x 50 ms" 11.4
row "scan: tune and lock test of an empty channel" "Antenna US 40, 41" "mean ms" \
  "$(field BM_ScanEmptyChannel real_time <<<"$json")" "" "<= 50 (user)" 50

echo "== live: viewing and channel changes to the first picture (player_bench)" >&2
json=$(livejson player/player_bench 'BM_LiveViewing|BM_ChannelChange')
# ffmpeg decoding the same channel's video and sound from the 60 s capture,
# as a share of one core in real time.
/usr/bin/time -o "$work/time.txt" -f "%U %S" nice ffmpeg -v error -i "$short" \
  -map 0:v:0 -map 0:a:0 -f null - >/dev/null 2>&1
ffmpegCpu=$(awk '{ printf "%.1f", ($1 + $2) / 60 * 100 }' "$work/time.txt")
row "CPU of live viewing without decoding (tuner graph)" "5.5 KFIV" "% of a core" \
  "$(field BM_LiveViewing tuner_graph_percent <<<"$json")" "" "<= 5 (user)" 5
row "CPU of live viewing with decoding (video + sound)" "5.5 KFIV" "% of a core" \
  "$(field BM_LiveViewing cpu_percent_of_core <<<"$json")" "$ffmpegCpu" "<= 25 (user)" 25
liveNotes+=("Live viewing with decoding: libavcodec alone takes $(round "$(field BM_LiveViewing \
libavcodec_percent <<<"$json")" 1) % of a core for this channel, the player's own share is \
$(round "$(field BM_LiveViewing player_own_percent <<<"$json")" 1) %; ffmpeg's figure decodes the \
60 s capture of the channel (ffmpeg -i CAPTURE -map 0:v:0 -map 0:a:0 -f null -).")
row "zap within a multiplex, first picture" "7.1 <-> 7.2" "median ms" \
  "$(field BM_ChannelChangeWithinMultiplex median_ms <<<"$json")" "" "<= 1000 (user)" 1000
row "zap across multiplexes, first picture" "5.5 <-> 7.1" "median ms" \
  "$(field BM_ChannelChangeToFirstPicture median_ms <<<"$json")" "" "<= 1000 (user)" 1000

echo "== live: peak memory of the window program (Xvfb)" >&2
windowMb=$(nice bash "$root/bench/window/window-memory.sh" "$build" 20 2>"$work/live.log" |
  sed -n 's/.*peak RSS \([0-9]*\) KiB.*/\1/p' | awk '{ printf "%.1f", $1 / 1024 }' || true)
[ -n "$windowMb" ] || cat "$work/live.log" >&2
row "peak memory of live viewing (window program)" "5.5 KFIV, 20 s" "MB" "$windowMb" "" \
  "<= 200 (user)" 200

echo "== live: peak memory of a recording (corvane-cli record)" >&2
recordHome="$work/record-home"
mkdir -p "$recordHome"
recordMb=$(
  export XDG_DATA_HOME="$recordHome" XDG_CONFIG_HOME="$recordHome"
  CORVANE_TUNER_PACE=0 "$cli" scan >/dev/null 2>&1
  nice "$cli" record 5.5 --minutes 1 >"$work/live.log" 2>&1 &
  pid=$!
  sleep 20
  hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
  kill -INT "$pid" 2>/dev/null || true
  wait "$pid" || true
  [ -n "$hwm" ] && awk -v k="$hwm" 'BEGIN { printf "%.1f", k / 1024 }'
) || true
rm -rf "$recordHome"
/usr/bin/time -o "$work/time.txt" -f "%M" nice ffmpeg -v error -y -i "$short" -map 0:v:0 \
  -map 0:a:0 -c copy -f vob "$work/ff.mpg" >/dev/null 2>&1
rm -f "$work/ff.mpg"
row "peak memory of a recording" "5.5 KFIV, 20 s" "MB" "$recordMb" \
  "$(awk '{ printf "%.1f", $1 / 1024 }' "$work/time.txt")" "<= 100 (user)" 100
liveNotes+=("Recording memory: ffmpeg's figure copies the channel from the 60 s capture into a \
programme stream (-c copy -f vob).")

echo "== live: tuners at 38.8 Mbit/s, ingested and recorded at once (tuners_bench," \
  "$tunerSeconds s each)" >&2
json=$(livejson tuners/tuners_bench '.*' --seconds "$tunerSeconds")
held=0
for n in 1 2 4 8 16; do
  name="BM_TunersRecording/$n/"
  lost=$(field "$name" lost <<<"$json")
  row "$n tuner(s) ingested and recorded at once" "cable 78, 38.8 Mbit/s each" "packets lost" \
    "$lost" "" "0" 0 "$(round "$(field "$name" load_1min <<<"$json")" 2)" 0
  # Counts double: each holds only when the one before it held.
  [ "$(atMost "$lost" 0)" = yes ] && [ "$held" = $((n / 2)) ] && held=$n
  liveNotes+=("$n tuner(s): CPU $(round "$(field "$name" cpu_percent_of_machine <<<"$json")" 1) % \
of the machine, worst backlog $(round "$(field "$name" worst_backlog_ms <<<"$json")" 1) ms \
(a device buffer holds 397 ms), stream behind the clock by at most \
$(round "$(field "$name" worst_shortfall_ms <<<"$json")" 0) ms; lost: overflowed \
$(count "$name" overflowed <<<"$json"), continuity of video and sound \
$(count "$name" continuity <<<"$json"), dropped samples $(count "$name" dropped <<<"$json"), \
packs $(count "$name" packs_lost <<<"$json"); while starting $(count "$name" lost_at_start <<<"$json"); \
continuity errors on table PIDs (not counted) $(count "$name" table_continuity <<<"$json"), \
retunes $(count "$name" retunes <<<"$json"); recorded $(round "$(field "$name" recorded_mb <<<"$json")" 1) MB.")
done
if [ $held = 16 ]; then
  liveNotes+=("16 tuners held: a broadcast description declares at most 16 virtual tuners, so \
no larger count was tried; with 16 the process took \
$(round "$(field BM_TunersRecording/16/ cpu_percent_of_machine <<<"$json")" 1) % of the machine.")
else
  liveNotes+=("$((held > 0 ? held * 2 : 1)) tuners lost packets: its line above says where \
(overflowed: the readers fell behind for want of CPU; packs: the disk).")
fi
liveRows+=("most tuners without a lost packet|cable 78, 38.8 Mbit/s each|tuners|$held||16|\
$([ $held = 16 ] && echo yes || echo no)|$(load)")
liveSeconds=$((SECONDS - liveStart))
