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

# Ninja rebuilds only what really changed: pixolan-export leaves a file whose bytes stay the same
# alone (its inode and date), and nothing that includes it is compiled again.
identity() { stat -c '%i %y' "$1"; }
rebuilt() { # rebuilt LOG CONVERSIONS COMPILED: what one build did
    [ "$(grep -c 'Converting' "$1")" -eq "$2" ] && [ "$(grep -c 'Building' "$1")" -eq "$3" ] ||
        { cat "$1"; return 1; }
}
logo_before=$(identity "$pixolan/logo.c") header_before=$(identity "$pixolan/logo.h")
touch "$work/src/pictures/logo.png"
run "$work/touched.log" cmake --build "$work/b"
rebuilt "$work/touched.log" 1 0 || fail "touching logo.png did more than convert it again"
[ "$(identity "$pixolan/logo.c")" = "$logo_before" ] || fail "the same logo.c was written anew"
cmake --build "$work/b" >"$work/touched-again.log" 2>&1
grep -q 'ninja: no work to do' "$work/touched-again.log" || fail "a touched picture converts again"

# A new pixolan-export (here a copy of it) converts every picture, and compiles nothing.
cp "$prefix/bin/pixolan-export" "$work/copy" && mv "$work/copy" "$prefix/bin/pixolan-export"
run "$work/new-tool.log" cmake --build "$work/b"
rebuilt "$work/new-tool.log" 4 0 || fail "a new pixolan-export did more than convert all four"

# A picture changed in one pixel gives a new array, its one compiled file and the program; the
# header stays, and so do the sources that include it.
{ # rows: red green blue white; black (was white) and three white; four black
    printf 'P6\n4 3\n255\n\377\000\000\000\377\000\000\000\377\377\377\377'
    printf '\000\000\000\377\377\377\377\377\377\377\377\377'
    printf '\000\000\000\000\000\000\000\000\000\000\000\000'
} >"$work/src/pictures/logo.png"
run "$work/changed.log" cmake --build "$work/b"
rebuilt "$work/changed.log" 1 1 && grep -q 'Building C object .*logo\.array\.c\.o' "$work/changed.log" ||
    fail "a changed picture did not rebuild exactly its array"
[ "$(identity "$pixolan/logo.c")" != "$logo_before" ] || fail "logo.c was not replaced"
[ "$(identity "$pixolan/logo.h")" = "$header_before" ] || fail "the same logo.h was written anew"
"$work/b/draw" >/dev/null || fail "the program with the changed picture found wrong arrays"

# Make cannot tell an array left alone from one not yet made: there the files are dated anew, so
# a touched picture is converted once, not on every build.
run "$work/make.log" cmake -S "$work/src" -B "$work/make" -G "Unix Makefiles" \
    -DCMAKE_PREFIX_PATH="$prefix" && run "$work/make-build.log" cmake --build "$work/make"
touch "$work/src/pictures/logo.png"
run "$work/make-touched.log" cmake --build "$work/make"
run "$work/make-again.log" cmake --build "$work/make"
[ "$(grep -c Converting "$work/make-touched.log")" -eq 1 ] &&
    ! grep -q Converting "$work/make-again.log" || fail "make converts a touched picture again"

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

# Default names, from copies of the logo: the configuration writes each array's unit.
for name in splash2 size uint8; do cp "$work/src/pictures/"{logo,$name}.png; done
run "$work/names.log" cmake -S "$work/src" -B "$work/names" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
    -DPIXOLAN_TEST_DEFAULT_NAMES=ON
[ "$(cd "$work/names/names" && echo *)" = "img_uint8.array.c size.array.c splash2.array.c" ] ||
    fail "default names: $(cd "$work/names/names" && echo *)"

# A cross build whose toolchain file keeps programs and packages in the target's sysroot, names
# its compilers by full path and the build machine's tool in PIXOLAN_EXPORT_EXECUTABLE, by full
# path or by a name on PATH; the package is named by Pixolan_DIR and its own tool is gone.
mkdir "$work/host"
mv "$prefix/bin/pixolan-export" "$work/host/pixolan-export"
for tool in "$work/host/pixolan-export" pixolan-export; do
    cross=$work/cross${tool//\//-}
    PATH="$work/host:$PATH" PIXOLAN_TEST_HOST_TOOL=$tool run "$cross.log" cmake -S "$work/src" \
        -B "$cross" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$work/src/sysroot-only.cmake" \
        -DPixolan_DIR="$prefix/lib/cmake/Pixolan" -DCMAKE_C_COMPILER="$(command -v cc)" \
        -DCMAKE_CXX_COMPILER="$(command -v c++)" -DCMAKE_MAKE_PROGRAM="$(command -v ninja)"
    run "$cross-build.log" cmake --build "$cross" # the program by the path found
    "$cross/draw" >/dev/null || fail "the cross build with $tool found wrong arrays"
done
# Without the package's tool and without the override, with a folder for it, a relative path or
# a name found nowhere, nothing builds.
refused hidden 'references the file ".*/bin/pixolan-export" but this file does not exist'
refused folder "PIXOLAN_EXPORT_EXECUTABLE is \"$work\", which is no program" \
    -DPIXOLAN_EXPORT_EXECUTABLE="$work"
refused relative 'give a full path, or a program name without a folder' \
    -DPIXOLAN_EXPORT_EXECUTABLE=host/pixolan-export
PATH="$work/host:$PATH" refused unknown "is \"pixolan-export-0\", a program found in none of the \
folders searched (PATH, then the build machine's): $work/host, .*/usr/bin" \
    -DPIXOLAN_EXPORT_EXECUTABLE=pixolan-export-0

[ "$failures" -eq 0 ] || exit 1
echo "cmake package: find_package, two pictures, rebuilds and the cross-build override work"
