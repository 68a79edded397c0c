#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine: installs what is missing, builds, then
#   tools/dev.sh run    starts Pixolan
#   tools/dev.sh test   runs every test
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${PIXOLAN_BUILD_DIR:-$root/build}
command=${1:-}
case "$command" in
run | test) ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac

"$root/tools/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"

if [ "$command" = run ]; then
    exec "$build/pixolan"
fi
cd "$build"
ctest --output-on-failure -j "$(nproc)"
