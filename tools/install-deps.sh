#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Pixolan need, and only
# those that are missing, so that a second run is quick and needs no network.
#   tools/install-deps.sh            what tools/dev.sh run|test need
#   tools/install-deps.sh --checks   that, and the slower checks' tools (tools/checks.sh)
set -euo pipefail

packages=(
    # build; rsvg-convert renders the icon's PNG sizes; make for the CMake package's Makefile test
    g++ cmake ninja-build make qt6-base-dev librsvg2-bin
    # tests and benchmarks; Pillow reads the panel formats' bytes in a test
    libgtest-dev libbenchmark-dev python3-pil
    # peak memory in bench/end_to_end.sh (/usr/bin/time -v)
    time
    # the window: the offscreen and X11 platforms, an X server for screenshots, Arial's metrics
    qt6-qpa-plugins xvfb xauth fonts-liberation
    # installing and packaging: metadata validators, manual page checks, the .deb (CPack needs
    # dpkg-shlibdeps from dpkg-dev, and file)
    desktop-file-utils appstream groff-base dpkg-dev file
)
if [ "${1:-}" = --checks ]; then
    # memcheck, and clang with its sanitizer and libFuzzer runtimes
    packages+=(valgrind clang libclang-rt-14-dev)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null | grep -qx installed; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
