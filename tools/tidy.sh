#!/bin/sh
# Runs clang-tidy with the checks of .clang-tidy over the program's own
# sources and headers (not its tests, tools or benchmarks) and fails on any
# finding. Its clang build folder is only configured, for the compile
# commands; nothing is built.
# Usage: tools/tidy.sh [build folder, default build/tidy]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${1:-build/tidy}
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DVERTZ_TESTS=OFF >/dev/null
# The program's folders, below the source folder itself (not a build folder in it).
here=$(printf '%s' "$root" | sed 's/[][\.*^$+?(){}|]/\\&/g')
program="^$here/(platform|gamestate|settings|mods|dialogs|app|ui|context)/"
run-clang-tidy -p "$build" -j "${VERTZ_TIDY_JOBS:-2}" -quiet -header-filter="$program" \
    "$program.*\.cpp\$"
