#!/usr/bin/env bash
# CPack makes pixolan_<version>_<arch>.deb with the Debian metadata apt needs to pull in Qt's
# runtime, and with the launcher pointing at the installed paths.
#   check_deb.sh BUILD_DIR VERSION APP_ID [PROGRAM...]   (the programs this build has)
set -euo pipefail
build=$1 version=$2 app_id=$3
shift 3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; exit 1; }
deb="$work/out/pixolan_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { ls "$work/out" >&2; fail "no $(basename "$deb")"; exit 1; }

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = pixolan ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is wrong"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
depends=$(field Depends)
needed=(qt6-qpa-plugins libqt6gui6 fonts-liberation)
for program in "$@"; do
    needed+=(libqt6core6 libc6 libstdc++6) # found by dpkg-shlibdeps in the program
    [ "$program" = pixolan ] && needed+=(libqt6widgets6)
done
depends_names=$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//')
for package in "${needed[@]}"; do
    grep -qxF "$package" <<<"$depends_names" || fail "Depends lacks $package: $depends"
done

dpkg-deb --extract "$deb" "$work/root"
for program in "$@"; do
    [ -x "$work/root/usr/bin/$program" ] || fail "no /usr/bin/$program"
    file "$work/root/usr/bin/$program" | grep -q 'not stripped' && fail "$program is not stripped"
done
desktop="$work/root/usr/share/applications/$app_id.desktop"
grep -qx 'Exec=/usr/libexec/pixolan/start-in-home' "$desktop" || fail "Exec= is not under /usr"
grep -qx "exec '/usr/bin/pixolan' \"\$@\"" "$work/root/usr/libexec/pixolan/start-in-home" ||
    fail "the launcher does not start /usr/bin/pixolan"
find "$work/root" -path '*/_CPack_Packages*' | grep -q . && fail "staging paths leaked"

# find_package(Pixolan) finds the package's own pixolan-export, wherever the tree lies.
mkdir "$work/find"
cat >"$work/find/CMakeLists.txt" <<'FIND'
cmake_minimum_required(VERSION 3.20)
project(FindPixolan NONE)
find_package(Pixolan 1.1 REQUIRED)
get_target_property(location Pixolan::pixolan-export LOCATION)
message(STATUS "pixolan-export: ${location}")
FIND
cmake -S "$work/find" -B "$work/find/build" -DCMAKE_PREFIX_PATH="$work/root/usr" \
    >"$work/find.log" 2>&1 || { cat "$work/find.log" >&2; fail "find_package(Pixolan) failed"; }
grep -qF -- "-- pixolan-export: $work/root/usr/bin/pixolan-export" "$work/find.log" ||
    fail "the package does not name its pixolan-export: $(grep pixolan-export "$work/find.log")"

[ "$failures" -eq 0 ] || exit 1
echo "deb: $(basename "$deb"), Depends: $depends"
