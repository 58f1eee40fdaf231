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
trap 'if [ -n "$pid" ]; then kill $pid; fi; rm -rf "$tmp"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
data="gamemenu.qb Motox_Scripts.qb blank.dat blankfont.dat"
expected=$({
    echo bin/vertzmod libexec/vertzmod/vertzmod share/applications/$id.desktop share/metainfo/$id.metainfo.xml
    for f in $data; do echo share/vertzmod/$f; done
    for s in 16 24 32 48 64 128 256; do echo share/icons/hicolor/${s}x$s/apps/$id.png; done
} | tr ' ' '\n' | LC_ALL=C sort)
[ "$(cd "$prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)" = "$expected" ] || fail "install tree"
for icon in "$prefix"/share/icons/hicolor/*/apps/$id.png; do
    folder=$(basename "$(dirname "$(dirname "$icon")")")
    size=$(od -An -tu1 -j16 -N8 "$icon" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
    [ "$size" = "$folder" ] || fail "$folder icon is $size"
done

desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
desktop-file-validate "$desktop" && grep -qx "Icon=$id" "$desktop" || fail "desktop entry"
appstreamcli validate --no-net "$metainfo" >/dev/null || fail "metainfo does not validate"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo lacks release $version"

# Starts the launcher with the environment given and checks that the program
# runs, in the folder $1.
start() {
    workdir=$1
    shift
    env "$@" "$prefix/bin/vertzmod" &
    pid=$!
    tries=0
    until [ "$(readlink /proc/$pid/exe):$(readlink /proc/$pid/cwd)" = "$prefix/libexec/vertzmod/vertzmod:$workdir" ]; do
        tries=$((tries + 1))
        [ $tries -lt 300 ] && kill -0 $pid 2>/dev/null || { fail "program did not start in $workdir"; break; }
        sleep 0.1
    done
    sleep 1
    kill $pid 2>/dev/null || fail "program ended at once in $workdir"
    wait $pid 2>/dev/null || true
    pid=
}

# A relative XDG_DATA_HOME does not count: the default folder is made, the
# data files are copied in, and the player's own blank.dat is kept.
work=$tmp/home/.local/share/vertzmod
mkdir -p "$work"
echo "the player's own" >"$work/blank.dat"
start "$work" HOME="$tmp/home" XDG_DATA_HOME=relative/data
echo "the player's own" | cmp -s - "$work/blank.dat" || fail "the player's blank.dat was replaced"
for f in $data; do
    [ "$f" = blank.dat ] || cmp -s "$src/data/$f" "$work/$f" || fail "$f not copied into $work"
done
# Besides them only the lock of the program, which the kill left behind.
[ "$(ls -A "$work" | grep -vcx '\.vertz-running\.lock')" -eq 4 ] || fail "stray files in $work"

start "$tmp/xdg/vertzmod" XDG_DATA_HOME="$tmp/xdg"
[ -f "$tmp/xdg/vertzmod/gamemenu.qb" ] || fail "data files not copied under XDG_DATA_HOME"

# A link where the working folder belongs is refused, nothing written through it.
mkdir "$tmp/elsewhere" "$tmp/linked"
ln -s "$tmp/elsewhere" "$tmp/linked/vertzmod"
status=0
timeout 10 env XDG_DATA_HOME="$tmp/linked" "$prefix/bin/vertzmod" 2>/dev/null || status=$?
[ $status -eq 1 ] && [ -z "$(ls -A "$tmp/elsewhere")" ] || fail "launcher went through a link"

# The package: the same tree below /usr, its version, its Qt dependency.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/pkg" >/dev/null
deb=$(ls "$tmp"/pkg/*.deb)
listed=$(dpkg-deb -c "$deb" | awk '/^-/ { sub(/^\.\/usr\//, "", $6); print $6 }' | LC_ALL=C sort)
[ "$listed" = "$expected" ] || fail "package holds: $listed"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "package does not depend on Qt Widgets"

[ $failures -eq 0 ] && echo "install tree, desktop entry, metainfo, launcher and package are fine"
exit $failures
