#!/bin/sh
# Installs the Debian 12 packages the build needs, if any are missing; with
# --tests also those the tests need (checking the desktop entry and metainfo,
# making the .deb, clang with libFuzzer's runtime for the settings fuzzer,
# clang-format and clang-tidy for the checks of the source text).
set -eu
packages="cmake ninja-build g++ qt6-base-dev libgl-dev libxxhash-dev"
if [ "${1:-}" = "--tests" ]; then
    packages="$packages appstream desktop-file-utils dpkg-dev file clang libclang-rt-14-dev clang-format clang-tidy"
fi
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
$sudo apt-get update
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
