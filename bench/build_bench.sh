#!/usr/bin/env bash
# What pixolan-export costs a firmware build that converts many pictures.
#   per call   pixolan-export on one 320 x 240 PNG, the whole process, median of 20 runs, split
#              into start-up (--version), start-up + decode + formatting (the array to standard
#              output, no file saved) and the whole export (saved through a temporary file,
#              synced to disk, renamed)
#   build      a CMake project that converts COUNT such pictures with pixolan_add_image(), built
#              with -j2 (the generated arrays only, not their compilation), against the same
#              project with `cp` of a ready array file in place of each conversion
#
#   bench/build_bench.sh [COUNT]     (build first: cmake --build build; COUNT defaults to 200)
#
# The package is installed into a temporary prefix; everything goes to a temporary folder under
# $PIXOLAN_BENCH_DIR (default: the system's).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${PIXOLAN_BUILD_DIR:-$root/build}
count=${1:-200}
helper=$build/bench/end_to_end_helper
[ -x "$build/pixolan-export" ] && [ -x "$helper" ] ||
    { echo "build first: cmake --build $build" >&2; exit 2; }

work=$(mktemp -d "${PIXOLAN_BENCH_DIR:-${TMPDIR:-/tmp}}/pixolan-build-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
tool=$work/prefix/bin/pixolan-export
"$helper" panels "$work/pictures" "$count" 2>/dev/null
picture=$work/pictures/panel-000.png

# Median wall time of 20 runs of a command, in ms.
median() {
    local times=() start
    for _ in $(seq 20); do
        start=$EPOCHREALTIME
        "$@" >/dev/null
        times+=("$(awk "BEGIN { print ($EPOCHREALTIME - $start) * 1000 }")")
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n 10p | xargs printf '%.1f'
}
to_stdout() { "$tool" "$picture" - >"$work/stdout.c"; }
echo "per call, 320 x 240 PNG, median of 20 (ms):"
echo "  start-up (--version)                 $(median "$tool" --version)"
echo "  start-up, decode, format (to stdout) $(median to_stdout)"
echo "  the whole export (saved, synced)     $(median "$tool" "$picture" "$work/one.c")"
echo "  cp of the array file                 $(median cp "$work/one.c" "$work/copy.c")"

# Two projects alike but for what makes each array.
for kind in pixolan cp; do
    mkdir -p "$work/$kind"
    {
        echo "cmake_minimum_required(VERSION 3.20)"
        echo "project(BuildBench LANGUAGES C)"
        echo "find_package(Pixolan 1.1 REQUIRED)"
        echo "add_library(pictures STATIC)"
        for i in $(seq -f %03g 0 $((count - 1))); do
            png=$work/pictures/panel-$i.png
            if [ "$kind" = pixolan ]; then
                echo "pixolan_add_image(pictures \"$png\" NAME panel_$i)"
            else
                echo "add_custom_command(OUTPUT \${CMAKE_CURRENT_BINARY_DIR}/pixolan/panel_$i.c"
                echo "    COMMAND cp \"$work/one.c\" \${CMAKE_CURRENT_BINARY_DIR}/pixolan/panel_$i.c"
                echo "    DEPENDS \"$png\" VERBATIM)"
                echo "target_sources(pictures PRIVATE \${CMAKE_CURRENT_BINARY_DIR}/pixolan/panel_$i.c)"
            fi
        done
    } >"$work/$kind/CMakeLists.txt"
    mkdir -p "$work/$kind/b/pixolan"
    cmake -S "$work/$kind" -B "$work/$kind/b" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
done
build_arrays() { # build_arrays KIND: a clean build of the arrays, in ms
    local dir=$work/$1/b start
    rm -f "$dir"/pixolan/*.c
    start=$EPOCHREALTIME
    ninja -C "$dir" -j2 $(seq -f 'pixolan/panel_%03g.c' 0 $((count - 1))) >/dev/null
    awk "BEGIN { printf \"%.0f\", ($EPOCHREALTIME - $start) * 1000 }"
}
for kind in pixolan cp; do build_arrays "$kind" >/dev/null; done # warm the caches
pixolan_ms=$(build_arrays pixolan) cp_ms=$(build_arrays cp)
echo "build of $count arrays with -j2 (ms): pixolan $pixolan_ms, cp $cp_ms," \
    "ratio $(awk "BEGIN { printf \"%.2f\", $pixolan_ms / $cp_ms }")"
