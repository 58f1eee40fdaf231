#!/bin/sh
# Installs what is missing, builds with sanitizers and warnings as errors and
# runs every test offscreen (the layout, format and fault-list checks among them),
# runs clang-tidy over the program, then fuzzes the settings file for a
# minute in a clang build of its own.
set -eu
cd "$(dirname "$0")"
sh tools/install-build-deps.sh --tests
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVERTZ_SANITIZE=ON -DVERTZ_WERROR=ON
cmake --build build/test
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$(pwd)/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir build/test --output-on-failure
sh tools/tidy.sh build/tidy
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVERTZ_FUZZ=ON -DVERTZ_TESTS=OFF
cmake --build build/fuzz --target fuzz_settings
sh tests/fuzz/run.sh build/fuzz/tests/fuzz/fuzz_settings 60
