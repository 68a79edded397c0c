#!/usr/bin/env bash
# CPack makes one Debian package per component, pixolan-export and pixolan (the window), each
# with exactly its component's files and the metadata apt needs to pull in what it needs and no
# more, and the launcher pointing at the installed paths.
#   check_deb.sh BUILD_DIR VERSION-RELEASE APP_ID COMPONENT:FILE...   (as check_install_layout.sh)
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
arch=$(dpkg --print-architecture)

# check PACKAGE COMPONENT NEEDED UNWANTED COMPONENT:FILE...: one package, extracted into
# $work/PACKAGE. Depends names NEEDED (names, or whole entries) and nothing UNWANTED matches.
check() {
    local package=$1 component=$2 needed=$3 unwanted=$4
    shift 4
    local deb="$work/out/${package}_${version}_$arch.deb" entries names
    [ -f "$deb" ] || { ls "$work/out" >&2; fail "no $(basename "$deb")"; return; }
    field() { dpkg-deb --field "$deb" "$1"; }
    [ "$(field Package) $(field Version) $(field Architecture)" = "$package $version $arch" ] ||
        fail "$package: Package, Version or Architecture is wrong"
    [ -n "$(field Maintainer)" ] || fail "$package: no Maintainer"
    entries=$(field Depends | tr ',' '\n' | sed 's/^ *//')
    names=$(sed 's/ (.*//' <<<"$entries")
    while read -r entry; do
        grep -qxF "$entry" <<<"$entries" || grep -qxF "$entry" <<<"$names" ||
            fail "$package: Depends lacks $entry: $(field Depends)"
    done < <(tr ',' '\n' <<<"$needed" | sed 's/^ *//')
    grep -x "$unwanted" <<<"$names" && fail "$package must not depend on the above"
    printf '%s\n' "$@" | sed -n "s|^$component:|./usr/|p" | sort >"$work/expected"
    diff -u "$work/expected" <(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort) ||
        fail "$package holds other files than its component"
    dpkg-deb --extract "$deb" "$work/$package"
    echo "$package: Depends: $(field Depends)"
}
# Libraries found by dpkg-shlibdeps in the programs, and what Qt loads at run time.
libraries="libqt6core6, libqt6gui6, libc6, libstdc++6"
check pixolan-export export "$libraries" 'libqt6widgets6\|qt6-qpa-plugins\|fonts-.*\|pixolan' "$@"
check pixolan window "pixolan-export (= $version), $libraries, libqt6widgets6, qt6-qpa-plugins, \
fonts-liberation" "" "$@"
# It takes its files over from the single package pixolan of 1.1.
[ "$(dpkg-deb -f "$work/out/pixolan-export_${version}_$arch.deb" Breaks Replaces)" = \
    "$(printf 'Breaks: pixolan (<< 1.1-1)\nReplaces: pixolan (<< 1.1-1)')" ] ||
    fail "pixolan-export does not take over pixolan's files"

for program in pixolan-export/usr/bin/pixolan-export pixolan/usr/bin/pixolan; do
    file "$work/$program" | grep -q 'not stripped' && fail "$program is not stripped"
done
desktop="$work/pixolan/usr/share/applications/$app_id.desktop"
grep -qx 'Exec=/usr/libexec/pixolan/start-in-home' "$desktop" || fail "Exec= is not under /usr"
grep -qx "exec '/usr/bin/pixolan' \"\$@\"" "$work/pixolan/usr/libexec/pixolan/start-in-home" ||
    fail "the launcher does not start /usr/bin/pixolan"
find "$work/pixolan-export" "$work/pixolan" -path '*/_CPack_Packages*' | grep -q . &&
    fail "staging paths leaked"

# find_package(Pixolan) finds pixolan-export's own program, wherever that package's tree lies.
mkdir "$work/find"
cat >"$work/find/CMakeLists.txt" <<'FIND'
cmake_minimum_required(VERSION 3.20)
project(FindPixolan NONE)
find_package(Pixolan 1.1 REQUIRED)
get_target_property(location Pixolan::pixolan-export LOCATION)
message(STATUS "pixolan-export: ${location}")
FIND
root="$work/pixolan-export/usr"
cmake -S "$work/find" -B "$work/find/build" -DCMAKE_PREFIX_PATH="$root" \
    >"$work/find.log" 2>&1 || { cat "$work/find.log" >&2; fail "find_package(Pixolan) failed"; }
grep -qF -- "-- pixolan-export: $root/bin/pixolan-export" "$work/find.log" ||
    fail "the package does not name its pixolan-export: $(grep pixolan-export "$work/find.log")"

[ "$failures" -eq 0 ] || exit 1
echo "deb: both packages as expected"
