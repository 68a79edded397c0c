#!/usr/bin/env bash
# The installed CMake package, as a firmware project uses it (consumer/): find_package(Pixolan),
# two pictures converted at build time, and what a build does when pictures change.
#   check_cmake_package.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
run() { # run LOG COMMAND...: quiet unless it fails
    local log=$1
    shift
    "$@" >"$log" 2>&1 || { cat "$log" >&2; return 1; }
}

prefix="$work/prefix"
run "$work/install.log" cmake --install "$build" --prefix "$prefix"
cp -r "$source/tests/packaging/consumer" "$work/src"
mkdir "$work/src/lvgl" && cp "$source/tests/convert/lvgl/lvgl.h" "$work/src/lvgl/"
pixolan="$work/b/pixolan"

# Configure, build and run against the installed prefix.
run "$work/configure.log" cmake -S "$work/src" -B "$work/b" -G Ninja \
    -DCMAKE_PREFIX_PATH="$prefix"
run "$work/build.log" cmake --build "$work/b"
"$work/b/draw" || fail "the program built against the package found wrong arrays"
grep -q 'const int8 img_2_splash\[\] = {' "$pixolan/img_2_splash.c" ||
    fail "img_2_splash.c does not declare img_2_splash"
[ ! -e "$pixolan/splash565.array.c" ] || fail "an RGB565 array went through the int8 unit"
[ ! -e "$pixolan/splash_lvgl.array.c" ] || fail "an LVGL image went through the int8 unit"

# Nothing changed: nothing to do.
cmake --build "$work/b" >"$work/again.log" 2>&1
grep -q 'ninja: no work to do' "$work/again.log" || { cat "$work/again.log"; fail "a second build did work"; }

# One picture touched: exactly its array is made again (a new file each time it is saved).
inode() { stat -c %i "$1"; }
logo_before=$(inode "$pixolan/logo.c") splash_before=$(inode "$pixolan/img_2_splash.c")
touch "$work/src/pictures/logo.png"
run "$work/touched.log" cmake --build "$work/b"
[ "$(grep -c 'Converting' "$work/touched.log")" -eq 1 ] || fail "touching logo.png converted more"
[ "$(inode "$pixolan/logo.c")" != "$logo_before" ] || fail "logo.c was not made again"
[ "$(inode "$pixolan/img_2_splash.c")" = "$splash_before" ] || fail "img_2_splash.c was made again"

# A new pixolan-export makes every array again.
touch "$prefix/bin/pixolan-export"
run "$work/new-tool.log" cmake --build "$work/b"
[ "$(grep -c 'Converting' "$work/new-tool.log")" -eq 4 ] || fail "a new tool did not convert all"

# A broken picture fails the build with pixolan-export's message and keeps the earlier array.
cp "$pixolan/logo.c" "$work/logo.c.before"
printf 'not a picture' >"$work/src/pictures/logo.png"
if cmake --build "$work/b" >"$work/broken.log" 2>&1; then
    fail "a broken picture did not fail the build"
fi
grep -q "pixolan-export: Cannot load \".*logo.png\": not a picture" "$work/broken.log" ||
    { cat "$work/broken.log"; fail "the build did not show pixolan-export's message"; }
cmp -s "$pixolan/logo.c" "$work/logo.c.before" || fail "the broken picture changed logo.c"
cp "$source/tests/packaging/consumer/pictures/logo.png" "$work/src/pictures/logo.png"

# Two pictures giving one name in a target, a name the header's macros would make clash with
# the C library, and the name given in OPTIONS stop the configuration with the reason.
refused() { # refused CASE PATTERN [CMAKE ARGUMENT...]
    if cmake -S "$work/src" -B "$work/refused-$1" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
        -DPIXOLAN_TEST_REFUSED="$1" "${@:3}" >"$work/refused-$1.log" 2>&1; then
        fail "the configuration accepted $1"
    fi
    tr -s ' \n' ' ' <"$work/refused-$1.log" | grep -q "$2" ||
        { cat "$work/refused-$1.log"; fail "$1 was not refused with its reason"; }
}
refused clash '2-splash.png" and ".*logo.png" both give the array name Logo (LOGO in upper case)'
refused name 'NAME "size" cannot name the array of ".*2-splash.png"'
refused options 'give NAME or HEADER, not --name=splash'
refused binary 'binary writes no C source to compile'

# A cross build whose toolchain file searches packages in the target's sysroot only and names
# the build machine's tool in PIXOLAN_EXPORT_EXECUTABLE; the package is named by Pixolan_DIR and
# its own tool is gone.
mv "$prefix/bin/pixolan-export" "$work/hidden-pixolan-export"
export PIXOLAN_TEST_HOST_TOOL="$work/hidden-pixolan-export"
run "$work/cross.log" cmake -S "$work/src" -B "$work/cross" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$work/src/sysroot-only.cmake" -DPixolan_DIR="$prefix/lib/cmake/Pixolan"
run "$work/cross-build.log" cmake --build "$work/cross"
"$work/cross/draw" || fail "the cross build found wrong arrays"
# Without the package's tool and without the override, or with a folder for it, nothing builds.
refused hidden 'references the file ".*/bin/pixolan-export" but this file does not exist'
refused folder "PIXOLAN_EXPORT_EXECUTABLE is \"$work\", which is no program" \
    -DPIXOLAN_EXPORT_EXECUTABLE="$work"

[ "$failures" -eq 0 ] || exit 1
echo "cmake package: find_package, two pictures, rebuilds and the cross-build override work"
