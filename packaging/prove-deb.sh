#!/usr/bin/env bash
# Proves that Pixolan's Debian packages install and run on a fresh Debian 12 machine:
# bootstraps a minimal bookworm root from the machine's Debian mirror and installs
# pixolan-export's package alone there with apt, as on a build machine (which must pull in Qt's
# runtime by the package's Depends alone, and neither widgets, platform plugins nor the window's
# font); lists what it pulls in, converts pictures and builds a project with find_package(Pixolan).
# Then installs the window's package beside it, starts the window from its menu entry under
# Xvfb, and removes it again, keeping pixolan-export; last, installs both over a stand-in of the
# single package of 1.1 (prove-deb-inside.sh does the part inside the root).
#
#   packaging/prove-deb.sh [--debs DIR] [--out DIR] [--keep-root]
#
#   --debs DIR    the folder of the packages to prove (pixolan-export_*.deb and pixolan_*.deb);
#                 without it, they are built in build-deb/ (Release)
#   --out DIR     where the logs and the window's screenshot go (default: build-deb/proof)
#   --keep-root   keep the bootstrapped root (its mounts are always undone) and print its path
#
# Needs root and the network. The mirror is the one apt uses on this machine, read from
# /etc/apt/sources.list.d/debian.sources (or /etc/apt/sources.list); PIXOLAN_DEBIAN_MIRROR
# overrides it. Exit status: 0 proven, 1 a check failed, 3 a check could not run because the
# package lacks a program.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
debs=
out=$repo/build-deb/proof
keep_root=false
while [ $# -gt 0 ]; do
    case "$1" in
    --debs) debs=$(realpath "$2") && shift 2 ;;
    --out) out=$2 && shift 2 ;;
    --keep-root) keep_root=true && shift ;;
    *)
        echo "usage: $0 [--debs DIR] [--out DIR] [--keep-root]" >&2
        exit 2
        ;;
    esac
done
[ "$(id -u)" -eq 0 ] || { echo "prove-deb: must run as root (debootstrap, chroot)" >&2; exit 2; }

started=$SECONDS
elapsed() { echo "$((SECONDS - started)) s"; }

debian_mirror() {
    if [ -n "${PIXOLAN_DEBIAN_MIRROR:-}" ]; then
        echo "$PIXOLAN_DEBIAN_MIRROR"
        return
    fi
    local sources=/etc/apt/sources.list.d/debian.sources mirror=
    if [ -f "$sources" ]; then
        # deb822: the first URI of the first stanza whose Suites has bookworm itself.
        mirror=$(awk 'BEGIN { RS = ""; FS = "\n" }
            {
                uris = ""; suites = ""
                for (i = 1; i <= NF; i++) {
                    if ($i ~ /^URIs:/) { uris = $i; sub(/^URIs:[ \t]*/, "", uris) }
                    if ($i ~ /^Suites:/) { suites = $i; sub(/^Suites:/, "", suites); suites = suites " " }
                }
                if (uris != "" && suites ~ /[ \t]bookworm[ \t]/) { split(uris, u, /[ \t]+/); print u[1]; exit }
            }' "$sources")
    fi
    if [ -z "$mirror" ] && [ -f /etc/apt/sources.list ]; then
        mirror=$(awk '$1 == "deb" { i = 2; if ($2 ~ /^\[/) while ($i !~ /\]$/) i++; if ($2 ~ /^\[/) i++
                      if ($(i + 1) == "bookworm") { print $i; exit } }' /etc/apt/sources.list)
    fi
    [ -n "$mirror" ] || { echo "prove-deb: no bookworm mirror in apt's sources" >&2; return 1; }
    echo "$mirror"
}

# Tools of the proof itself.
if ! command -v debootstrap >/dev/null; then
    apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap
fi

if [ -z "$debs" ]; then
    echo "== building the packages ($(elapsed))"
    "$repo/tools/install-deps.sh"
    build=$repo/build-deb
    cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        -DPIXOLAN_BUILD_BENCHMARKS=OFF >/dev/null
    cmake --build "$build" --parallel 2
    rm -f "$build"/pixolan*.deb
    (cd "$build" && cpack -G DEB >/dev/null)
    debs=$build
fi
export_deb=$(echo "$debs"/pixolan-export_*.deb) window_deb=$(echo "$debs"/pixolan_*.deb)
for deb in "$export_deb" "$window_deb"; do
    [ -f "$deb" ] || { echo "prove-deb: no package $deb" >&2; exit 2; }
    echo "== package: $deb"
    dpkg-deb --info "$deb" | sed -n 's/^ \(Package\|Version\|Architecture\|Depends\):/  &/p'
done
app_id=$(dpkg-deb --contents "$window_deb" |
    sed -n 's|.*/usr/share/applications/\(.*\)\.desktop$|\1|p')
[ -n "$app_id" ] || { echo "prove-deb: the window's package has no desktop entry" >&2; exit 1; }

mirror=$(debian_mirror)
work=$(mktemp -d /var/tmp/pixolan-proof.XXXXXX)
root=$work/root
mkdir -p "$out"

# shellcheck disable=SC2317 # called by the trap
cleanup() {
    local status=$? pid mount
    # Processes still running inside the root (an X server, the window) were started here.
    for pid in /proc/[0-9]*; do
        if [ "$(readlink "$pid/root" 2>/dev/null)" = "$root" ]; then
            kill -KILL "${pid#/proc/}" 2>/dev/null || true
        fi
    done
    for mount in $(awk -v root="$root/" 'index($2, root) == 1 { print $2 }' /proc/mounts | sort -r); do
        umount "$mount" 2>/dev/null || umount -l "$mount"
    done
    [ -d "$root/tmp/proof" ] && cp -r "$root/tmp/proof/." "$out/" 2>/dev/null
    if awk -v root="$root/" 'index($2, root) == 1 { found = 1 } END { exit !found }' /proc/mounts; then
        echo "prove-deb: mounts remain under $root; not deleting it" >&2
    elif $keep_root; then
        echo "prove-deb: the root is kept in $root"
    else
        rm -rf "$work"
    fi
    echo "== finished in $(elapsed)"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "== debootstrap --variant=minbase bookworm from $mirror ($(elapsed))"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$out/debootstrap.log" 2>&1 ||
    { tail -20 "$out/debootstrap.log" >&2; exit 1; }
echo "   done ($(elapsed))"

# apt in the root sees what this machine's apt sees (bookworm with its updates and security
# suites), as on a freshly installed machine.
if [ -f /etc/apt/sources.list.d/debian.sources ] && [ -z "${PIXOLAN_DEBIAN_MIRROR:-}" ]; then
    cp /etc/apt/sources.list.d/debian.sources "$root/etc/apt/sources.list.d/"
    rm -f "$root/etc/apt/sources.list"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mkdir -p "$root/dev/pts" "$root/dev/shm"
mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
ln -sf pts/ptmx "$root/dev/ptmx"
mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"

mkdir -p "$root/tmp/proof"
chmod 1777 "$root/tmp/proof"
cp "$export_deb" "$window_deb" "$root/tmp/"
install -m 755 "$repo/packaging/prove-deb-inside.sh" "$root/usr/local/bin/prove-deb-inside"

echo "== inside the root ($(elapsed))"
status=0
chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8 \
    /usr/local/bin/prove-deb-inside "/tmp/$(basename "$export_deb")" "/tmp/$(basename "$window_deb")" \
    "$app_id" || status=$?
exit "$status"
