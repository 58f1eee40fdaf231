#!/bin/sh
# Installs what is missing, builds with sanitizers and runs every test offscreen.
set -eu
cd "$(dirname "$0")"
sh tools/install-build-deps.sh --tests
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVERTZ_SANITIZE=ON
cmake --build build/test
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$(pwd)/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir build/test --output-on-failure
