#!/usr/bin/env bash
# Runs every benchmark and prints its figures: the compiled Google Benchmark programs
# of the build folder, then the waiting main menu's start time and CPU use.
#   bash bench/run_benchmarks.sh [BUILD_DIR]
set -u
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$repo/build}
case "$build" in /*) ;; *) build=$repo/$build ;; esac
status=0
for b in "$build"/bench_*; do
    [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    "$b" || status=1
done
echo "== menu_idle"
bash "$repo/bench/menu_idle.sh" "$build/korvel32" "$repo/sample" 10 || status=1
exit $status
