#!/usr/bin/env bash
# The part of prove-deb.sh that runs inside the freshly bootstrapped Debian 12 root, as root:
#   prove-deb-inside EXPORT_DEB WINDOW_DEB APP_ID
# and, as the test user under Xvfb, the window's part:
#   prove-deb-inside --window APP_ID
# pixolan-export's package is installed alone first, as on a build machine, then the window's
# beside it, which is removed again; last both over a stand-in of the single package of 1.1.
# Logs, the list of packages pixolan-export pulls in (export-pulls.txt) and the window's
# screenshot go to /tmp/proof. Ends with "N passed, N failed, N skipped".
set -uo pipefail

proof=/tmp/proof
user=ada
title="Graphic LCD Pixolan"
passed=0 failed=0 skipped=0
started=$SECONDS
check() { # check DESCRIPTION COMMAND...: one proof step
    local what=$1
    shift
    if "$@"; then
        echo "  ok    $what"
        passed=$((passed + 1))
    else
        echo "  FAIL  $what"
        failed=$((failed + 1))
        return 1
    fi
}
skip() {
    echo "  SKIP  $1"
    skipped=$((skipped + 1))
}
summary() {
    echo "$passed passed, $failed failed, $skipped skipped"
    [ "$failed" -eq 0 ] || exit 1
    [ "$skipped" -eq 0 ] || exit 3
    exit 0
}

# ---- the window, run as the test user under xvfb-run ------------------------------------------
if [ "${1:-}" = --window ]; then
    app_id=$2
    export XDG_RUNTIME_DIR=/tmp/runtime-$user
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    # As a menu does: from a folder that is not the home folder, through the desktop entry.
    cd /
    gio launch "/usr/share/applications/$app_id.desktop" >"$proof/window.log" 2>&1
    check "gio launch starts the menu entry" test $? -eq 0
    pid=
    for _ in $(seq 100); do
        pid=$(pidof pixolan) && break
        sleep 0.1
    done
    check "the pixolan process runs" test -n "$pid"
    shown=false
    for _ in $(seq 150); do
        xwininfo -root -tree | grep -q "\"$title\"" && shown=true && break
        sleep 0.2
    done
    check "the window \"$title\" is shown within 30 s" $shown
    sleep 3
    check "pixolan is still running 3 s later" kill -0 "$pid"
    check "pixolan runs in the home folder ($HOME)" test "$(readlink "/proc/$pid/cwd")" = "$HOME"
    check "pixolan uses the X11 platform plugin (xcb)" \
        grep -q '/platforms/libqxcb\.so$' "/proc/$pid/maps"
    check "no platform plugin errors on stderr" \
        sh -c "! grep -Ei 'qt\.qpa|platform plugin|could not (load|connect)|abort' '$proof/window.log'"
    xwininfo -name "$title" | sed -n 's/^ *\(Width\|Height\)/  &/p'
    xwd -silent -name "$title" | xwdtopnm 2>/dev/null | pnmtopng >"$proof/window.png"
    check "screenshot saved ($proof/window.png)" test -s "$proof/window.png"
    kill "$pid"
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    summary
fi

# ---- as root: install, then prove ---------------------------------------------------------------
export_deb=$1 window_deb=$2 app_id=$3
export DEBIAN_FRONTEND=noninteractive
phase() { echo "== $* ($((SECONDS - started)) s inside)"; }
installed() { [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]; }
not_installed() { ! installed "$1"; }
packages() { dpkg-query -W -f='${db:Status-Status} ${Package}\n' | sed -n 's/^installed //p' | sort; }
# No recommends: a package's own Depends must bring everything its programs need.
install_deb() { # install_deb DEB LOG
    apt-get install -y -q --no-install-recommends "$1" >"$proof/$2" 2>&1
    check "apt-get install ./$(basename "$1") (no recommends)" test $? -eq 0 || tail -30 "$proof/$2"
}

phase "apt-get install $(basename "$export_deb") alone, as on a build machine"
apt-get update -q >"$proof/apt-update.log" 2>&1 || { cat "$proof/apt-update.log"; exit 1; }
packages >"$proof/packages-before.txt"
install_deb "$export_deb" apt-install-export.log
packages | comm -13 "$proof/packages-before.txt" - >"$proof/export-pulls.txt"
echo "        it pulls in $(wc -l <"$proof/export-pulls.txt") packages (export-pulls.txt):"
fmt -w 96 <(tr '\n' ' ' <"$proof/export-pulls.txt") | sed 's/^/          /'
check "pixolan-export is installed" installed pixolan-export
check "pixolan is not" not_installed pixolan
unwanted='libqt6widgets6\|qt6-qpa-plugins\|qt6-.*platformtheme\|fonts-liberation.*\|xserver-.*\|xvfb'
check "no widgets, platform plugins package, fonts-liberation or X server among them" \
    sh -c "! grep -x '$unwanted' '$proof/export-pulls.txt'"
check "libqt6gui6 has the gif, jpeg and ico readers" sh -c \
    "dpkg -L libqt6gui6 | grep -Ec 'imageformats/libq(gif|jpeg|ico)\.so$' | grep -qx 3"

useradd --create-home --shell /bin/bash "$user"
home=/home/$user
as_user() { # run a command as the test user, in the home folder, with a bare environment
    runuser -u "$user" -- env -i HOME="$home" USER="$user" LOGNAME="$user" \
        PATH=/usr/bin:/bin LC_ALL=C.UTF-8 sh -c 'cd && exec "$@"' sh "$@"
}

# A 2 x 2 picture, red green / blue white, as PPM (Qt's own reader) and as GIF (the plugin).
pictures=$home/pictures
mkdir -p "$pictures"
printf 'P6\n2 2\n255\n\377\000\000\000\377\000\000\000\377\377\377\377' >"$pictures/colours.ppm"
printf 'GIF89a\002\000\002\000\221\000\000' >"$pictures/colours.gif"
printf '\377\000\000\000\377\000\000\000\377\377\377\377' >>"$pictures/colours.gif"
printf ',\000\000\000\000\002\000\002\000\000\002\003\104\064\005\000;' >>"$pictures/colours.gif"
printf 'const int8 array[] = {\r\n0xE0, 0x1C, \r\n\r\n0x3, 0xFF, \r\n\r\n};\r\n' >"$proof/expected.c"
chown -R "$user:" "$pictures"

phase "pixolan-export"
check "pixolan-export --version prints \"Pixolan version 1.1\"" \
    test "$(as_user pixolan-export --version)" = "Pixolan version 1.1"
as_user pixolan-export pictures/colours.ppm >"$proof/export.log" 2>&1
check "PPM to the default output ~/array.c, exit 0, exact bytes" \
    cmp "$proof/expected.c" "$home/array.c"
as_user pixolan-export pictures/colours.gif gif.c >>"$proof/export.log" 2>&1
check "GIF (image format plugin) to gif.c, exact bytes" cmp "$proof/expected.c" "$home/gif.c"
as_user pixolan-export pictures/colours.gif - >"$proof/stdout.c" 2>>"$proof/export.log"
check "'-' writes the array to standard output" cmp "$proof/expected.c" "$proof/stdout.c"
as_user pixolan-export pictures/none.png none.c 2>"$proof/missing.err"
status=$?
check "a missing picture: exit 1, the file named on stderr, no output" sh -c \
    "[ $status -eq 1 ] && grep -q none.png '$proof/missing.err' && [ ! -e '$home/none.c' ]"
as_user pixolan-export --no-such-option 2>/dev/null
check "an unknown option: exit 2" test $? -eq 2
as_user pixolan-export --preview preview.png pictures/colours.ppm preview.c \
    >>"$proof/export.log" 2>&1
check "--preview leaves the array as it is" cmp "$proof/expected.c" "$home/preview.c"

phase "a firmware project with find_package(Pixolan)"
apt-get install -y -q --no-install-recommends cmake make gcc libc6-dev \
    >"$proof/apt-build-tools.log" 2>&1 || { tail -20 "$proof/apt-build-tools.log"; exit 1; }
project=$home/badge
mkdir -p "$project/images"
cp "$pictures/colours.gif" "$project/images/logo.gif"
cat >"$project/CMakeLists.txt" <<'PROJECT'
cmake_minimum_required(VERSION 3.20)
project(Badge LANGUAGES C)
find_package(Pixolan 1.1 REQUIRED)
add_executable(badge main.c)
pixolan_add_image(badge images/logo.gif HEADER)
PROJECT
cat >"$project/main.c" <<'SOURCE'
#include "logo.h"
#include <stdio.h>
int main(void)
{
    for (int i = 0; i < LOGO_SIZE; ++i)
        printf("0x%X, ", logo[i]);
    printf("(%dx%d)\n", LOGO_WIDTH, LOGO_HEIGHT);
    return 0;
}
SOURCE
chown -R "$user:" "$project"
as_user cmake -S badge -B badge/build >"$proof/badge-configure.log" 2>&1
check "cmake configures it (find_package(Pixolan) from /usr/lib/cmake/Pixolan)" test $? -eq 0
as_user cmake --build badge/build >"$proof/badge-build.log" 2>&1
check "it builds, converting the picture" grep -q 'Converting images/logo.gif' "$proof/badge-build.log"
check "the program has the picture's bytes" \
    test "$(as_user badge/build/badge)" = "0xE0, 0x1C, 0x3, 0xFF, (2x2)"

phase "apt-get install $(basename "$window_deb") beside it"
install_deb "$window_deb" apt-install-window.log
for package in pixolan pixolan-export libqt6widgets6 qt6-qpa-plugins libqt6gui6 fonts-liberation; do
    check "$package is installed" installed "$package"
done
check "pixolan-export was kept, not unpacked again" \
    sh -c "! grep -q 'Unpacking pixolan-export' '$proof/apt-install-window.log'"

phase "the window under Xvfb"
apt-get install -y -q --no-install-recommends xvfb xauth x11-utils x11-apps netpbm \
    libglib2.0-bin fontconfig >"$proof/apt-proof-tools.log" 2>&1 ||
    { tail -20 "$proof/apt-proof-tools.log"; exit 1; }
check "fontconfig gives Liberation Sans for \"Arial\"" sh -c "fc-match Arial | grep -q 'Liberation Sans'"
if [ -e "$home/preview.png" ]; then
    # Red, green, blue and white survive RGB332 exactly, so the preview is the picture itself.
    check "the --preview PNG shows the packed colours" \
        sh -c "pngtopnm '$home/preview.png' | cmp - '$pictures/colours.ppm'"
else
    check "--preview wrote preview.png" false
fi
check "the menu entry is installed" test -f "/usr/share/applications/$app_id.desktop"
check "the icon is installed" test -f "/usr/share/icons/hicolor/scalable/apps/$app_id.svg"
if [ -x /usr/bin/pixolan ]; then
    as_user xvfb-run -a -s "-screen 0 1024x768x24" /usr/local/bin/prove-deb-inside --window "$app_id"
    case $? in
    0) passed=$((passed + 1)) ;;
    *) failed=$((failed + 1)) ;;
    esac
else
    skip "the window: pixolan is not in the package"
fi

phase "apt-get remove pixolan"
apt-get remove -y -q pixolan >"$proof/apt-remove.log" 2>&1
check "pixolan is removed" not_installed pixolan
check "its menu entry is gone" test ! -e "/usr/share/applications/$app_id.desktop"
check "pixolan-export is kept" installed pixolan-export
as_user pixolan-export pictures/colours.gif after-remove.c >>"$proof/export.log" 2>&1
check "pixolan-export still converts, exact bytes" cmp "$proof/expected.c" "$home/after-remove.c"

# A machine that has the single package of 1.1, which held both programs and the CMake package:
# here a stand-in with its name, version and the files that moved to pixolan-export.
phase "from the single pixolan package of 1.1"
apt-get purge -y -q pixolan-export >>"$proof/apt-remove.log" 2>&1
old=/tmp/pixolan-1.1
mkdir -p "$old/DEBIAN" "$old/usr/bin" "$old/usr/lib/cmake/Pixolan" "$old/usr/share/man/man1"
printf 'Package: pixolan\nVersion: 1.1\nArchitecture: all\nMaintainer: proof\nDescription: 1.1\n' \
    >"$old/DEBIAN/control"
for program in pixolan pixolan-export; do
    printf '#!/bin/sh\necho the old %s\n' "$program" >"$old/usr/bin/$program"
    chmod 755 "$old/usr/bin/$program"
done
echo '# the old package' >"$old/usr/lib/cmake/Pixolan/PixolanConfig.cmake"
echo 'the old page' | gzip >"$old/usr/share/man/man1/pixolan-export.1.gz"
dpkg-deb --build --root-owner-group "$old" /tmp/pixolan_1.1_all.deb >/dev/null &&
    dpkg -i /tmp/pixolan_1.1_all.deb >"$proof/apt-upgrade.log" 2>&1
check "the stand-in pixolan 1.1 is installed" installed pixolan
apt-get install -y -q --no-install-recommends "$export_deb" "$window_deb" \
    >>"$proof/apt-upgrade.log" 2>&1
check "apt-get install of both packages over it" test $? -eq 0 || tail -20 "$proof/apt-upgrade.log"
owners=$(dpkg -S /usr/bin/pixolan-export /usr/lib/cmake/Pixolan/PixolanConfig.cmake | cut -d: -f1)
check "pixolan-export now owns its files" test "$(sort -u <<<"$owners")" = pixolan-export
as_user pixolan-export pictures/colours.gif upgraded.c >>"$proof/export.log" 2>&1
check "and convert, exact bytes" cmp "$proof/expected.c" "$home/upgraded.c"
phase "done"
summary
