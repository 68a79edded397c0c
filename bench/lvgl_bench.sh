#!/usr/bin/env bash
# What an LVGL image costs against the plain array, end to end (pixolan-export, wall clock,
# medians of RUNS runs taken in turns), on 2048 x 2048 pictures: a noise PNG and a smooth
# photo-like JPEG. Goals: LVGL 9 RGB565 (--format rgb565 --lvgl 9) at most 1.6 x the plain
# --format rgb565 array (its map is bytes, about half again the text); the I8 image of RGB332
# (--lvgl 9) at most 1.2 x the default export.
#
#   bench/lvgl_bench.sh [RUNS]     (build first: cmake --build build)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program=${PIXOLAN_BUILD_DIR:-$root/build}/pixolan-export
runs=${1:-9}
work=$(mktemp -d "${PIXOLAN_BENCH_DIR:-${TMPDIR:-/tmp}}/pixolan-lvgl-XXXXXX")
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 - "$work" <<'EOF'
import random, sys
from PIL import Image
random.seed(1)
side = 2048
Image.frombytes("RGB", (side, side), random.randbytes(side * side * 3)).save(sys.argv[1] + "/noise.png")
g = Image.radial_gradient("L").resize((side, side))
Image.merge("RGB", (g, g.rotate(90), g.transpose(Image.Transpose.FLIP_TOP_BOTTOM))).save(
    sys.argv[1] + "/photo.jpg", quality=90)
EOF

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
wall_ms() {
    local start=$EPOCHREALTIME
    "$@" >/dev/null
    awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.1f\n", (e - s) * 1000 }'
}

declare -A options=([plain565]="--format rgb565" [lvgl565]="--format rgb565 --lvgl 9"
    [plain332]="" [lvgl332]="--lvgl 9")
kinds=(plain565 lvgl565 plain332 lvgl332)
echo "pixolan-export, 2048 x 2048, medians of $runs runs, $(nproc) cores, ms"
printf '%-10s %9s %9s %9s %9s %12s %12s\n' picture rgb565 "lvgl 565" rgb332 "lvgl I8" \
    "565 ratio" "I8 ratio"
for picture in noise.png photo.jpg; do
    declare -A times=()
    for _ in $(seq "$runs"); do
        for kind in "${kinds[@]}"; do
            # shellcheck disable=SC2086 # the options are words
            times[$kind]+="$(wall_ms "$program" ${options[$kind]} "$work/$picture" "$work/out.c") "
        done
    done
    declare -A ms=()
    for kind in "${kinds[@]}"; do
        ms[$kind]=$(tr ' ' '\n' <<<"${times[$kind]}" | grep . | median)
    done
    ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
    printf '%-10s %9s %9s %9s %9s %12s %12s\n' "$picture" "${ms[plain565]}" "${ms[lvgl565]}" \
        "${ms[plain332]}" "${ms[lvgl332]}" "$(ratio "${ms[lvgl565]}" "${ms[plain565]}")" \
        "$(ratio "${ms[lvgl332]}" "${ms[plain332]}")"
done
echo "goals: lvgl 565 <= 1.6 x rgb565, lvgl I8 <= 1.2 x rgb332"
