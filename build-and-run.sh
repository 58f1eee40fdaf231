#!/bin/sh
# Installs what is missing, builds the program and starts it in its working folder.
set -eu
cd "$(dirname "$0")"
sh tools/install-build-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVERTZ_TESTS=OFF
cmake --build build/release
cd build/release/workdir
exec ./vertzmod
