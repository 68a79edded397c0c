#!/usr/bin/env bash
# The installed desktop entry, AppStream entry and manual pages pass their own validators, as
# software centres, menus and man read them.
#   validate_metadata.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1 app_id=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
DESTDIR="$root" cmake --install "$build" --prefix /usr >"$work/install.log" ||
    { cat "$work/install.log" >&2; exit 1; }
failures=0

desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || failures=$((failures + 1))
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
    failures=$((failures + 1))
# The whole tree: the entry's launchable desktop file and its icon must be found there too.
appstreamcli validate-tree --no-net "$root" || failures=$((failures + 1))

for page in "$root"/usr/share/man/man1/*.1.gz; do
    warnings=$(zcat "$page" | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1)
    if [ -n "$warnings" ]; then
        echo "FAIL: $(basename "$page"): $warnings" >&2
        failures=$((failures + 1))
    fi
done

[ "$failures" -eq 0 ] || exit 1
echo "metadata: desktop entry, AppStream entry and manual pages valid"
