#!/usr/bin/env bash
# Builds the fuzz targets and runs them one after the other, each for a time
# or a number of executions, then prints one line per target.
#
# usage: fuzz/run.sh [-t SECONDS | -n RUNS] [-T SECONDS] [-B BUILD_DIR] [-j JOBS] [-f WORKERS] [TARGET...]
#   -t  seconds per target (default 60)       -n  executions per target instead
#       (both: whichever comes first)
#   -T  seconds one input may take (default 10; more on a loaded machine)
#   -B  build folder (default build-fuzz)      -j  build jobs (default 2)
#   -f  fuzz each target in this many worker processes at once, sharing one
#       corpus (libFuzzer's fork mode); -n then counts the workers' executions
#       together. Each worker is a short-lived process that would start its
#       inputs small again, so fork mode lets inputs reach the full length at once.
# Each target keeps its corpus in BUILD_DIR/corpus/<target> (seeded on the first
# run), its log in BUILD_DIR/fuzz-logs/<target>.log and any failing input in
# BUILD_DIR/artifacts/<target>/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=60 timed="" runs="" timeout=10 build="$root/build-fuzz" jobs=2 workers=""
while getopts "t:n:T:B:j:f:" opt; do
  case $opt in
    t) seconds=$OPTARG timed=1 ;;
    n) runs=$OPTARG ;;
    T) timeout=$OPTARG ;;
    B) build=$OPTARG ;;
    j) jobs=$OPTARG ;;
    f) workers=$OPTARG ;;
    *) sed -n '4,16p' "$0" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

# target | libFuzzer options | seed folders under fuzz/ (besides the made ones)
targets_table="
demux_fuzzer|-max_len=32768 -len_control=0|
demux_filter_fuzzer|-max_len=32768 -len_control=0|
captions_transport_fuzzer|-max_len=32768 -len_control=0|
tables_dispatch_fuzzer||tables/seeds
capsift_fuzz||
capsift_view_fuzzer||
psfile_fuzz|-max_len=16384 -len_control=0|
sectionbuffer_fuzzer||
fuzz_tables_text||
text_record_fuzzer||
vtuner_capture_fuzzer|-max_len=16384|
vtuner_description_fuzzer||
broadcast_description_fuzzer||broadcast/seeds/description
broadcast_loop_cache_fuzzer||
platform_media_filterdata_fuzzer||
settings_file_fuzzer|-max_len=16384|
registry_fuzzer|-max_len=4096|
profile_fuzzer|-max_len=4096|
sink_intake_fuzzer|-max_len=32768|
"
if [ $# -gt 0 ]; then
  wanted=("$@")
else
  mapfile -t wanted < <(echo "$targets_table" | sed '/^$/d' | cut -d'|' -f1)
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCORVANE_FUZZ=ON -DCORVANE_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j"$jobs" --target "${wanted[@]}" demux_seed_capture

# Seeds: made by the scripts (the demultiplexer's from two seconds of the
# sample broadcast), plus the ones kept in the repository.
seeds="$build/seeds"
if [ ! -d "$seeds" ]; then
  "$build/fuzz/demux/demux_seed_capture" 2 "$build/captures" >/dev/null
  python3 "$root/fuzz/make_seeds.py" "$seeds" --captures "$build/captures"
  python3 "$root/fuzz/capsift/make_seeds.py" "$seeds/capsift_fuzz"
fi

# A freed block stays poisoned while it is among the last 16 MB freed (instead
# of 256 MB): a use after free inside one input is still caught, and the heap
# no longer cycles through fresh pages, which halves the speed of the targets
# that allocate per input.
# Allocation stacks keep their 10 innermost frames (instead of 30): enough to
# name the owner of a bad access, and unwinding at every allocation costs the
# targets that allocate per input a fifth of their time.
export ASAN_OPTIONS="quarantine_size_mb=16:malloc_context_size=10${ASAN_OPTIONS:+:$ASAN_OPTIONS}"

mkdir -p "$build/fuzz-logs"
results=()
for target in "${wanted[@]}"; do
  line=$(echo "$targets_table" | grep "^$target|" || true)
  if [ -z "$line" ]; then
    echo "run.sh: unknown target $target" >&2
    exit 2
  fi
  options=$(echo "$line" | cut -d'|' -f2)
  repo_seeds=$(echo "$line" | cut -d'|' -f3)
  binary=$(find "$build/fuzz" -type f -name "$target" -perm -u+x | head -n1)
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target/"
  mkdir -p "$corpus" "$artifacts"
  [ -d "$seeds/$target" ] && cp -n "$seeds/$target"/* "$corpus/" 2>/dev/null || true
  [ -n "$repo_seeds" ] && cp -n "$root/fuzz/$repo_seeds"/* "$corpus/" 2>/dev/null || true

  limit="-max_total_time=$seconds"
  [ -n "$runs" ] && limit="-runs=$runs"
  [ -n "$runs" ] && [ -n "$timed" ] && limit="-runs=$runs -max_total_time=$seconds"
  [ -n "$workers" ] && limit="$limit -fork=$workers -len_control=0"
  log="$build/fuzz-logs/$target.log"
  start=$(date +%s.%N)
  # shellcheck disable=SC2086
  (cd "$build" && "$binary" $limit $options -rss_limit_mb=2048 -timeout="$timeout" -print_final_stats=1 \
      -artifact_prefix="$artifacts" "$corpus" >"$log" 2>&1) && status=0 || status=$?
  elapsed=$(echo "$(date +%s.%N) - $start" | bc)

  executions=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -n1)
  # Fork mode prints no final stats; its last progress line holds the total.
  [ -z "$executions" ] && executions=$(sed -n 's/^#\([0-9]*\):.*/\1/p' "$log" | tail -n1)
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n1 | awk '{print $2 "/" $4}')
  if [ "$status" -eq 0 ]; then
    result=ok
  elif grep -q 'runtime error:' "$log"; then
    result="undefined behaviour"
  elif grep -q 'ERROR: libFuzzer: timeout' "$log"; then
    result=timeout
  elif grep -q 'out-of-memory' "$log"; then
    result=out-of-memory
  elif grep -q 'ERROR: LeakSanitizer' "$log"; then
    result=leak
  else
    result="crash (exit $status)"
  fi
  rate=$(echo "${executions:-0} / $elapsed" | bc)
  results+=("$(printf '%-34s %12s %8.1f %9s %11s  %s' "$target" "${executions:-?}" "$elapsed" \
      "$rate" "${cov:-?}" "$result")")
done

printf '%-34s %12s %8s %9s %11s  %s\n' target executions seconds exec/s cov/ft result
printf '%s\n' "${results[@]}"
