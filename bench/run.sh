#!/bin/sh
# Builds in Release (no sanitizers) and prints the benchmark table: each row
# beside its floor, measured in the same run. Takes some minutes and
# about 1.5 GB in $TMPDIR (else /tmp), removed at the end.
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVERTZ_SANITIZE=OFF >/dev/null
cmake --build build/bench --target bench_vertz
export QT_QPA_PLATFORM=offscreen
build/bench/bench/bench_vertz
