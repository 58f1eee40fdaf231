#!/bin/sh
# Builds Vertz Mod Utility for Windows on Debian 12 and tests it under Wine.
# Qt for Windows is built once from Debian's own qt6-base source with MinGW-w64
# into a cache folder outside the repository ($VERTZ_WIN_CACHE, by default
# ~/.cache/vertzmod-windows) and reused on later runs.
#   tools/build-windows.sh          Qt if missing, the program, every test under Wine, the ZIP
#   tools/build-windows.sh qt       only the Qt cache (the first run's long part)
#   tools/build-windows.sh cached   as the first form where the Qt cache is there, else says so
set -eu
cd "$(dirname "$0")/.."
repo=$(pwd)
cache=${VERTZ_WIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vertzmod-windows}
qt=$cache/qt-6.4.2-mingw
if [ "${1:-}" = "cached" ] && [ ! -f "$qt/.complete" ]; then
    echo "Windows check skipped: no Qt for Windows in $cache (tools/build-windows.sh builds it)"
    exit 0
fi
start=$(date +%s)
jobs=${VERTZ_WIN_JOBS:-$(nproc)}
mkdir -p "$cache"
echo "Qt for Windows cache: $cache"

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
need="g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 wine fonts-wine xvfb xauth cmake ninja-build qt6-base-dev libxxhash-dev dpkg-dev"
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

# The program and its tests, cross-built beside the cache (never in the clone).
build=$cache/build-win
# One build folder, for whichever clone ran last.
grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$repo" "$build/CMakeCache.txt" 2>/dev/null || rm -rf "$build"
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DCMAKE_BUILD_TYPE=Release
ninja -C "$build" -j"$jobs"

# Wine, in a prefix of its own, made once; it needs a display even to start.
export WINEPREFIX=$cache/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.complete" ]; then
    rm -rf "$WINEPREFIX"
    xvfb-run -a wineboot -i
    touch "$WINEPREFIX/.complete"
fi
export WINEPATH="Z:$qt/bin;Z:$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)");Z:/usr/x86_64-w64-mingw32/lib"
# Offscreen, as on Linux, in Windows' own dialog face. The themed style draws
# through the window system, which offscreen has not: the classic one stands in.
fonts=$cache/test-fonts
mkdir -p "$fonts"
# Wine's own Tahoma (fonts-wine), which a new prefix's Fonts folder lacks: the
# dialogs' face for Windows' own font look-ups and for Qt's alike.
for f in tahoma.ttf tahomabd.ttf; do
    cp -f "/usr/share/wine/fonts/$f" "$WINEPREFIX/drive_c/windows/Fonts/$f"
    ln -sf "$WINEPREFIX/drive_c/windows/Fonts/$f" "$fonts/$f"
done
export QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="Z:$qt/plugins" QT_QPA_FONTDIR="Z:$fonts"
# Under Wine an action of the random test is many times slower: half the
# actions a seed, and time for all the seeds.
export VERTZ_ACTIONS=${VERTZ_ACTIONS:-200} QTEST_FUNCTION_TIMEOUT=2400000

results=$build/test-results
rm -rf "$results" && mkdir -p "$results"
# One display for every test; Wine writes QtTest's report to a file more
# reliably than to its console.
# The classic style by argument, to the tests that have widgets.
guiless=$(grep -l QTEST_GUILESS_MAIN "$repo"/tests/tst_*.cpp | xargs -n1 basename | sed 's/\.cpp$//')
xvfb-run -a sh -c '
    results=$2
    # One start of the test, with Wine'"'"'s messages as the argument asks.
    run() {
        t0=$(date +%s)
        WINEDEBUG=$1 timeout 3000 wine "$exe" $style -maxwarnings 0 \
            -o "Z:$results/$name.txt,txt" >>"$results/$name.out" 2>&1
        rc=$?
    }
    for exe in "$1"/tests/tst_*.exe; do
        name=$(basename "$exe" .exe)
        case " $3 " in *" $name "*) style="" ;; *) style="-style windows" ;; esac
        run -all
        # Now and then Wine ends a program before it starts, with no word:
        # a test that wrote no report at all gets one more start, with
        # Wine'"'"'s errors kept, and counts as that start goes.
        if [ ! -e "$results/$name.txt" ]; then
            echo "$name: exit $rc in $(( $(date +%s) - t0 )) s and no report; started once more"
            run err+all
        fi
        echo "$name: exit $rc in $(( $(date +%s) - t0 )) s"
    done' sh "$build" "$results" "$(echo $guiless)"

passed=0 failed=0 skipped=0 broken=""
for report in "$results"/tst_*.txt; do
    totals=$(grep '^Totals:' "$report" || true)
    [ -n "$totals" ] || { broken="$broken $(basename "$report" .txt)"; continue; }
    set -- $totals
    passed=$((passed + ${2%,})) failed=$((failed + ${4%,})) skipped=$((skipped + ${6%,}))
done
for exe in "$build"/tests/tst_*.exe; do
    [ -f "$results/$(basename "$exe" .exe).txt" ] || broken="$broken $(basename "$exe" .exe)"
done
grep -h '^FAIL!\|^SKIP' "$results"/tst_*.txt || true

# The ZIP: the program, the Qt runtime it loads, the MinGW runtime, the data files.
(cd "$build" && cpack -G ZIP --config CPackConfig.cmake >/dev/null)
zip=$(ls "$build"/vertzmod-*-win64.zip)

echo "Windows tests under Wine: $passed passed, $failed failed, $skipped skipped${broken:+, no report from:$broken}"
echo "Reports: $results"
echo "ZIP: $zip"
echo "Took $(( $(date +%s) - start )) s"
[ "$failed" -eq 0 ] && [ -z "$broken" ]
