#!/usr/bin/env bash
# Runs every libFuzzer harness for SECONDS each, JOBS at a time (niced), then prints
# the figures of each run: executions, coverage, findings.
#
#   run_fuzzers.sh BUILD_DIR SECONDS [JOBS] [HARNESS...]
#
# New inputs go to BUILD_DIR/corpus/<harness> (fuzz/corpus/<harness> holds the seeds
# and is only read); crashes, time-outs and leaks to BUILD_DIR/findings/<harness>/,
# where they stay for a look: copy each into fuzz/corpus/<harness> once it is fixed,
# so that `make test` replays it from then on.
set -u
build=$(cd "$1" && pwd)
seconds=$2
jobs=${3:-1}
shift 3 2>/dev/null || shift $#
here=$(cd "$(dirname "$0")" && pwd)
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(eki bumon team sensyu option text_import mastfile namefile selctout journal)

run_one() {
    local h=$1
    mkdir -p "$build/corpus/$h" "$build/findings/$h" "$build/logs"
    nice -n 10 "$build/fuzz_$h" "$build/corpus/$h" "$here/corpus/$h" \
        -dict="$here/korvel.dict" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=8192 -print_final_stats=1 -artifact_prefix="$build/findings/$h/" \
        > "$build/logs/$h.log" 2>&1
    echo $? > "$build/logs/$h.status"
}

running=0
for h in "${harnesses[@]}"; do
    [ -x "$build/fuzz_$h" ] || { echo "missing $build/fuzz_$h"; exit 1; }
    run_one "$h" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n
        running=$((running - 1))
    fi
done
wait

status=0
printf "%-12s %12s %8s %8s %9s\n" harness executions cov ft findings
for h in "${harnesses[@]}"; do
    log=$build/logs/$h.log
    execs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | awk '{print $2}' | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | awk '{print $2}')
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | awk '{print $2}')
    findings=$(find "$build/findings/$h" -type f | wc -l)
    printf "%-12s %12s %8s %8s %9s\n" "$h" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$findings"
    if [ "$findings" -gt 0 ] || [ "$(cat "$build/logs/$h.status")" != 0 ]; then status=1; fi
done
exit $status
