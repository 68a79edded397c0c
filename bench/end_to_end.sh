#!/usr/bin/env bash
# End-to-end speed of pixolan-export, side by side in one run with what it cannot avoid:
#   export    pixolan-export PICTURE OUT.c: the whole program, wall clock
#   decode    a program that only loads the picture with the same loader: the whole program,
#             wall clock, so that process start-up (Qt's, printed apart) is on both sides
#   save      the array's bytes, formatted beforehand, saved from one buffer through the same
#             save path (QSaveFile, flushed to disk); timed inside the process
#   write     the export's own writer (WriteArrayFile) on the loaded picture; inside the process
#   naive     one PixelColour() call and one printf per pixel, written row by row; inside
# Times are medians of RUNS runs, in ms. Goal: export <= 1.2 x (decode + save) on the 4096 x 4096
# noise PNG.
#
# With --huge it also measures peak memory (/usr/bin/time -v) for 16384 x 16384 pictures. Goal:
# at most the decoded picture (4 bytes a pixel, 1024 MiB) plus 64 MiB.
#
#   bench/end_to_end.sh [--huge] [RUNS]     (build first: cmake --build build)
#
# Pictures are made once and kept in $PIXOLAN_BENCH_PICTURES (default build/bench-pictures);
# array files go to a temporary folder under $PIXOLAN_BENCH_DIR (default: the system's).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${PIXOLAN_BUILD_DIR:-$root/build}
pictures=${PIXOLAN_BENCH_PICTURES:-$build/bench-pictures}
program=$build/pixolan-export
helper=$build/bench/end_to_end_helper

huge=0
runs=5
for argument in "$@"; do
    case "$argument" in
    --huge) huge=1 ;;
    [1-9]*) runs=$argument ;;
    *)
        echo "usage: $0 [--huge] [RUNS]" >&2
        exit 2
        ;;
    esac
done
for binary in "$program" "$helper"; do
    if [ ! -x "$binary" ]; then
        echo "$binary is missing: build first (cmake --build $build)" >&2
        exit 2
    fi
done

work=$(mktemp -d "${PIXOLAN_BENCH_DIR:-${TMPDIR:-/tmp}}/pixolan-end-to-end-XXXXXX")
trap 'rm -rf "$work"' EXIT

"$helper" pictures "$pictures"
[ "$huge" -eq 1 ] && "$helper" huge "$pictures"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# Wall-clock milliseconds of one run of a command.
wall_ms() {
    local start=$EPOCHREALTIME
    "$@" >/dev/null
    local end=$EPOCHREALTIME
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f\n", (e - s) * 1000 }'
}

# Peak resident memory of a command in MiB.
peak_mib() {
    /usr/bin/time -v "$@" 2>&1 >/dev/null |
        awk -F': ' '/Maximum resident set size/ { printf "%.0f", $2 / 1024 }'
}

startup=$(for _ in $(seq "$runs"); do wall_ms "$program" --version; done | median)
echo "pixolan-export end to end: median of $runs runs, $(nproc) cores, ms"
echo "process start-up (pixolan-export --version): $startup ms"
printf '%-19s %8s %8s %7s %7s %8s %13s %10s %11s %7s %5s\n' picture "export" decode save write \
    naive "export/(d+s)" write/save naive/write "MB out" peak
for name in noise-4096.png photo-4096.jpg photo-1024x768.png; do
    picture=$pictures/$name
    export_times=()
    decode_times=()
    for _ in $(seq "$runs"); do # taken in turns, so that a busy moment hits both alike
        export_times+=("$(wall_ms "$program" "$picture" "$work/array.c")")
        decode_times+=("$(wall_ms "$helper" decode "$picture" 1)")
    done
    export_ms=$(printf '%s\n' "${export_times[@]}" | median)
    decode_ms=$(printf '%s\n' "${decode_times[@]}" | median)
    read -r save_ms bytes < <("$helper" save "$picture" "$runs")
    read -r write_ms _ < <("$helper" write "$picture" "$runs")
    read -r naive_ms _ < <("$helper" naive "$picture" "$(((runs + 1) / 2))")
    peak=$(peak_mib "$program" "$picture" "$work/array.c")
    both=$(awk -v d="$decode_ms" -v s="$save_ms" 'BEGIN { print d + s }')
    printf '%-19s %8s %8s %7s %7s %8s %13s %10s %11s %7.1f %4sM\n' "$name" "$export_ms" \
        "$decode_ms" "$save_ms" "$write_ms" "$naive_ms" "$(ratio "$export_ms" "$both")" \
        "$(ratio "$write_ms" "$save_ms")" "$(ratio "$naive_ms" "$write_ms")" \
        "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')" "$peak"
    if [ "$name" = noise-4096.png ]; then
        goal=$(awk -v x="$export_ms" -v b="$both" 'BEGIN { print (x <= 1.2 * b) ? "met" : "MISSED" }')
    fi
done
echo "goal export <= 1.2 x (decode + save) on noise-4096.png: $goal"

if [ "$huge" -eq 1 ]; then
    echo
    echo "peak memory, 16384 x 16384 (decoded picture 1024 MiB; goal at most 1088 MiB)"
    printf '%-20s %14s %14s %8s\n' picture "export MiB" "decode MiB" goal
    for name in photo-16384.png photo-16384.jpg; do
        export_peak=$(peak_mib "$program" "$pictures/$name" "$work/array.c")
        decode_peak=$(peak_mib "$helper" decode "$pictures/$name" 1)
        verdict=$(awk -v p="$export_peak" 'BEGIN { print (p <= 1024 + 64) ? "met" : "MISSED" }')
        printf '%-20s %14s %14s %8s\n' "$name" "$export_peak" "$decode_peak" "$verdict"
        rm -f "$work/array.c"
    done
fi
