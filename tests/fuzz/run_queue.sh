#!/bin/sh
# Runs the fuzz targets named in a queue file, one after another, each for
# SECONDS at the lowest priority; start it twice to run two at a time. Lines
# may be appended to the queue while it runs. Logs and crash inputs go to
# build-fuzz/fuzz-logs/. Usage: run_queue.sh QUEUE [SECONDS]
set -u
queue=$1
seconds=${2:-600}
bin=build-fuzz/tests/fuzz
logs=build-fuzz/fuzz-logs
mkdir -p "$logs"
while :; do
  target=$(flock "$queue.lock" sh -c 'line=$(head -n 1 "$1"); [ -n "$line" ] && sed -i 1d "$1"; echo "$line"' _ "$queue")
  [ -z "$target" ] && break
  mkdir -p "tests/fuzz/corpus/$target"
  nice -n 19 "$bin/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$logs/$target-" "tests/fuzz/corpus/$target" > "$logs/$target.log" 2>&1
  echo "$target exit $?" >> "$logs/done"
done
