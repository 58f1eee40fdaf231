#!/bin/sh
# Builds Vertz Mod Utility for Windows on Debian 12 and tests it under Wine.
# Qt for Windows is built once from Debian's own qt6-base source with MinGW-w64
# into a cache folder outside the repository ($VERTZ_WIN_CACHE, by default
# ~/.cache/vertzmod-windows) and reused on later runs.
#   tools/build-windows.sh [qt]   only the Qt cache (the first run's long part)
set -eu
cd "$(dirname "$0")/.."
repo=$(pwd)
cache=${VERTZ_WIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vertzmod-windows}
qt=$cache/qt-6.4.2-mingw
jobs=${VERTZ_WIN_JOBS:-$(nproc)}
mkdir -p "$cache"
echo "Qt for Windows cache: $cache"

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
need="g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 wine xvfb xauth cmake ninja-build qt6-base-dev dpkg-dev"
missing=""
for p in $need; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    $sudo apt-get update
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
fi

toolchain=$cache/mingw.cmake
cat > "$toolchain.new" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 $qt)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
mv "$toolchain.new" "$toolchain"

if [ ! -f "$qt/.complete" ]; then
    src=$cache/src
    if [ ! -d "$src/qtbase-everywhere-src-6.4.2" ]; then
        # The source of the very Qt the host tools come from.
        version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
        if ! apt-cache showsrc qt6-base >/dev/null 2>&1 || [ -z "$(apt-cache showsrc qt6-base 2>/dev/null)" ]; then
            list=/etc/apt/sources.list.d/vertzmod-src.sources
            printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm bookworm-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
                | $sudo tee "$list" >/dev/null
            $sudo apt-get update
        fi
        rm -rf "$src" && mkdir -p "$src"
        (cd "$src" && apt-get source --download-only "qt6-base=$version" &&
            tar -xf qt6-base_*.orig.tar.xz)
        q=$src/qtbase-everywhere-src-6.4.2/src/plugins/platforms
        # Debian's source leaves out the Wintab headers: no tablet support.
        sed -i 's/QT_CONFIG(tabletevent)/0/' "$q/windows/qwindowscontext.cpp" \
            "$q/windows/qwindowspointerhandler.cpp" "$q/windows/qwindowspointerhandler.h"
        sed -i 's/CONDITION QT_FEATURE_tabletevent/CONDITION FALSE/' \
            "$q/windows/CMakeLists.txt" "$q/direct2d/CMakeLists.txt"
        # Without OpenGL the dynamic-GL check has nothing to check.
        sed -i 's/#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
            "$q/windows/qwindowswindow.cpp"
    fi
    cmake -S "$src/qtbase-everywhere-src-6.4.2" -B "$cache/qt-build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_INSTALL_PREFIX="$qt" -DCMAKE_BUILD_TYPE=Release \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF \
        -DFEATURE_opengl=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF -DFEATURE_vulkan=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_icu=OFF \
        -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
        -DFEATURE_system_jpeg=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF \
        -DFEATURE_system_doubleconversion=OFF
    ninja -C "$cache/qt-build" -j"$jobs"
    cmake --install "$cache/qt-build"
    touch "$qt/.complete"
    rm -rf "$cache/qt-build"
fi
echo "Qt for Windows: $qt"
[ "${1:-}" = "qt" ] && exit 0
echo "(the rest of the Windows build is not written yet)" >&2
exit 1
