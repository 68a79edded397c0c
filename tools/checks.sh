#!/usr/bin/env bash
# The slower checks that bad input cannot crash Pixolan, each with its own build folder:
#   tools/checks.sh asan              every test, built with AddressSanitizer and UBSan (build-asan/)
#   tools/checks.sh valgrind          the core's, the window's and pixolan-export's tests under
#                                     memcheck, which sees into Qt (build/)
#   tools/checks.sh fuzz [SECONDS]    load and export of arbitrary bytes under libFuzzer, 60 s by
#                                     default (build-fuzz/; crashing inputs in build-fuzz/crashes/)
# Each exits non-zero on any finding. .ci/run runs them after the README's test command.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
command=${1:-}
case "$command" in
asan | valgrind | fuzz) ;;
*)
    echo "usage: $0 asan|valgrind|fuzz [SECONDS]" >&2
    exit 2
    ;;
esac

"$root/tools/install-deps.sh" --checks

# Sanitizer reports end the test that caused them; leaks inside the system libraries listed in
# lsan.supp are not ours to fix.
export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:strict_init_order=1
export LSAN_OPTIONS=suppressions=$root/tools/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

case "$command" in
asan)
    build=$root/build-asan
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DPIXOLAN_SANITIZE=ON -DPIXOLAN_BUILD_BENCHMARKS=OFF >/dev/null
    cmake --build "$build"
    cd "$build"
    ctest --output-on-failure -j "$(nproc)"
    ;;

valgrind)
    build=${PIXOLAN_BUILD_DIR:-$root/build}
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build"
    memcheck=(valgrind --error-exitcode=99 --track-origins=yes --quiet
        --suppressions="$root/tools/valgrind.supp")
    # Left out: the 16384 x 16384 load and the timed huge header (minutes under memcheck, and
    # the sanitizer build runs them).
    declare -A skip=(
        [picture_surface_test]='*16384*'
        [array_writer_test]=''
        [output_path_test]=''
        [pack_colour_test]=''
        [export_options_test]=''
        [preview_test]=''
        [picture_sequence_test]=''
        [lvgl_image_test]=''
    )
    for test in picture_surface_test array_writer_test output_path_test \
        pack_colour_test export_options_test preview_test picture_sequence_test lvgl_image_test; do
        echo "== memcheck: $test"
        filter=()
        [ -z "${skip[$test]}" ] || filter=(--gtest_filter="-${skip[$test]}")
        "${memcheck[@]}" "$build/tests/convert/$test" --gtest_brief=1 "${filter[@]}"
    done
    # The window, without a display. Qt compiles the file dialog's filters to machine code
    # (PCRE2's JIT), whose uses of memory memcheck cannot follow: it is switched off here.
    for test in form1_commands_test form1_layout_test common_dialog_test; do
        echo "== memcheck: $test"
        QT_QPA_PLATFORM=offscreen QT_ENABLE_REGEXP_JIT=0 "${memcheck[@]}" \
            "$build/tests/window/$test" -silent
    done
    # pixolan-export runs under memcheck too, with every bad input: a report there makes it
    # exit 99 and print to standard error, which fails its test.
    echo "== memcheck: export_test and the pixolan-export it runs"
    "${memcheck[@]}" --trace-children=yes "$build/tests/export/export_test" --gtest_brief=1
    ;;

fuzz)
    seconds=${2:-60}
    build=$root/build-fuzz
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DPIXOLAN_FUZZ=ON -DBUILD_TESTING=OFF -DPIXOLAN_BUILD_BENCHMARKS=OFF >/dev/null
    cmake --build "$build"
    "$build/fuzz/make_fuzz_seeds" "$build/seeds"
    mkdir -p "$build/corpus" "$build/crashes"
    # Decoders print to stderr (libpng's errors) on every bad input; -close_fd_mask=2 silences
    # them while sanitizer and libFuzzer reports still show. New inputs go to corpus/, which
    # later runs go on from.
    "$build/fuzz/load_export_fuzzer" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
        -close_fd_mask=2 -print_final_stats=1 -artifact_prefix="$build/crashes/" \
        "$build/corpus" "$build/seeds"
    ;;
esac
