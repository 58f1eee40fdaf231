#!/bin/sh
# Installs the build into a temporary prefix and checks what a player gets:
# the tree, the icons, the desktop entry, the metainfo, the launcher's working
# folder, and the .deb that CPack makes of it (listed, never installed).
# Run as: check_install.sh <source folder> <build folder> <version> <app id>
set -eu
src=$1 build=$2 version=$3 id=$4
tmp=$(mktemp -d)
cd "$tmp"
pid=
cleanup() {
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
    rm -rf "$tmp"
}
trap cleanup EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
for tool in desktop-file-validate appstreamcli dpkg-deb cpack; do
    command -v $tool >/dev/null || { echo "missing $tool: run tools/install-build-deps.sh --tests" >&2; exit 1; }
done

# The tree: exactly these files, the icons in the size their folder names.
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
data="gamemenu.qb Motox_Scripts.qb blank.dat blankfont.dat"
expected="bin/vertzmod
libexec/vertzmod/vertzmod
share/applications/$id.desktop
share/metainfo/$id.metainfo.xml"
for f in $data; do expected="$expected
share/vertzmod/$f"; done
for s in 16 24 32 48 64 128 256; do expected="$expected
share/icons/hicolor/${s}x$s/apps/$id.png"; done
expected=$(echo "$expected" | LC_ALL=C sort)
actual=$(cd "$prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "install tree: got
$actual"
for icon in "$prefix"/share/icons/hicolor/*/apps/$id.png; do
    folder=$(basename "$(dirname "$(dirname "$icon")")")
    size=$(od -An -tu1 -j16 -N8 "$icon" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
    [ "$size" = "$folder" ] || fail "$folder icon is $size"
done
for f in $data; do
    cmp -s "$src/data/$f" "$prefix/share/vertzmod/$f" || fail "installed $f differs from data/$f"
done

# Desktop entry and metainfo: valid, and naming the launcher, the icon, the version.
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
desktop-file-validate "$desktop" || fail "desktop entry does not validate"
appstreamcli validate --no-net "$metainfo" >/dev/null || fail "metainfo does not validate"
grep -qx "Exec=vertzmod" "$desktop" || fail "desktop entry does not start bin/vertzmod"
grep -qx "Icon=$id" "$desktop" || fail "desktop entry names another icon"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo lacks release $version"
grep -q "<launchable type=\"desktop-id\">$id.desktop<" "$metainfo" || fail "metainfo names another entry"

# Starts the launcher with HOME and XDG_DATA_HOME as given and waits until the
# program runs in the folder $1; leaves it running in $pid.
start() {
    workdir=$1
    shift
    env "$@" "$prefix/bin/vertzmod" &
    pid=$!
    tries=0
    until [ "$(readlink /proc/$pid/exe 2>/dev/null)" = "$prefix/libexec/vertzmod/vertzmod" ] \
        && [ "$(readlink /proc/$pid/cwd)" = "$workdir" ]; do
        tries=$((tries + 1))
        if [ $tries -gt 300 ] || ! kill -0 $pid 2>/dev/null; then
            fail "program did not start in $workdir"
            break
        fi
        sleep 0.1
    done
    sleep 1
    kill $pid 2>/dev/null || fail "program ended at once in $workdir"
    wait $pid 2>/dev/null || true
    pid=
}

# Default folder (a relative XDG_DATA_HOME does not count): created with the
# data files, and the player's own blank.dat is kept.
home=$tmp/home
work=$home/.local/share/vertzmod
mkdir -p "$work"
echo "the player's own" >"$work/blank.dat"
start "$work" HOME="$home" XDG_DATA_HOME=relative/data
echo "the player's own" | cmp -s - "$work/blank.dat" || fail "the player's blank.dat was replaced"
for f in $data; do
    [ "$f" = blank.dat ] || cmp -s "$src/data/$f" "$work/$f" || fail "$f not copied into $work"
done
[ "$(ls -A "$work" | wc -l)" -eq 4 ] || fail "stray files in $work: $(ls -A "$work")"

# XDG_DATA_HOME is followed, its folders made as needed.
start "$tmp/xdg/data/vertzmod" HOME="$home" XDG_DATA_HOME="$tmp/xdg/data"
[ -f "$tmp/xdg/data/vertzmod/gamemenu.qb" ] || fail "data files not copied under XDG_DATA_HOME"

# A link where the working folder belongs is refused, nothing written through it.
mkdir -p "$tmp/elsewhere" "$tmp/linked"
ln -s "$tmp/elsewhere" "$tmp/linked/vertzmod"
status=0
timeout 10 env XDG_DATA_HOME="$tmp/linked" "$prefix/bin/vertzmod" 2>/dev/null || status=$?
[ $status -eq 1 ] || fail "launcher did not refuse a linked working folder"
[ -z "$(ls -A "$tmp/elsewhere")" ] || fail "launcher wrote through a link"

# The package: the same tree below /usr, its version, its Qt dependency.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/pkg" >/dev/null
deb=$(ls "$tmp"/pkg/*.deb)
listed=$(dpkg-deb -c "$deb" | awk '/^-/ { sub(/^\.\/usr\//, "", $6); print $6 }' | LC_ALL=C sort)
[ "$listed" = "$expected" ] || fail "package holds:
$listed"
dpkg-deb -c "$deb" | grep -q '^-rwxr-xr-x .* \./usr/bin/vertzmod$' || fail "launcher not executable in the package"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "package does not depend on Qt Widgets"

[ $failures -eq 0 ] && echo "install, desktop entry, metainfo, launcher and package: all checks passed"
exit $failures
