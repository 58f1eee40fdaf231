#!/bin/sh
# Runs the settings fuzzer for a bounded time, first over the seed corpus
# (which holds every input that once found a fault), and fails on a finding.
# New inputs go to a copy of the corpus, never into the repository; a finding
# is kept beside the fuzzer as crash-* (or timeout-*, oom-*, leak-*).
# Usage: run.sh <fuzz_settings program> [seconds, 60 when not given]
set -eu
fuzzer=$(realpath "$1")
seconds=${2:-60}
seeds="$(dirname "$0")/corpus"
base=/dev/shm
[ -d "$base" ] || base=${TMPDIR:-/tmp}
work=$(mktemp -d "$base/vertz-fuzz-run.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
mkdir "$work/corpus" "$work/tmp"
cp "$seeds"/* "$work/corpus/"
status=0
TMPDIR="$work/tmp" "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
    -print_final_stats=1 -artifact_prefix="$(dirname "$fuzzer")/" "$work/corpus" \
    >"$work/log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
    tail -n 60 "$work/log"
    echo "fuzz_settings: FAILED (exit $status)"
    exit 1
fi
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
echo "fuzz_settings: $runs inputs in $seconds s over $(ls "$seeds" | wc -l) seeds, no finding"
