#!/usr/bin/env bash
# `cmake --install` into a temporary prefix lays exactly the expected files, with the right
# modes, each component alone exactly its own files, and the menu launcher starts the window in
# the home folder wherever it is started from.
#   check_install_layout.sh BUILD_DIR APP_ID COMPONENT:FILE...   (files relative to the prefix)
set -euo pipefail
build=$1 app_id=$2
shift 2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix with space"
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

installed() { # installed PREFIX [--component NAME]: the files there, one a line, sorted
    local to=$1
    shift
    cmake --install "$build" --prefix "$to" "$@" >"$work/install.log" ||
        { cat "$work/install.log" >&2; exit 1; }
    (cd "$to" && find . -type f -o -type l | sed 's|^\./||' | sort)
}

# Exactly the expected files: nothing missing, nothing extra (no libraries or headers); each
# component exactly its own.
printf '%s\n' "${@#*:}" | sort >"$work/expected"
diff -u "$work/expected" <(installed "$prefix") || fail "installed files differ from the expected list"
for component in $(printf '%s\n' "${@%%:*}" | sort -u); do
    printf '%s\n' "$@" | sed -n "s/^$component://p" | sort >"$work/expected-$component"
    diff -u "$work/expected-$component" <(installed "$work/$component" --component "$component") ||
        fail "component $component holds other files than expected"
done

set -- "${@#*:}"
for file in "$@"; do
    case "$file" in
    bin/* | */start-in-home) [ -x "$prefix/$file" ] || fail "$file is not executable" ;;
    *) [ ! -x "$prefix/$file" ] || fail "$file is executable" ;;
    esac
done

# The desktop entry names this prefix's launcher and program, and an installed icon.
desktop="$prefix/share/applications/$app_id.desktop"
launcher="$prefix/libexec/pixolan/start-in-home"
# The prefix holds a space, so the standard wants the path quoted.
[ "$(sed -n 's/^Exec=//p' "$desktop")" = "\"$launcher\"" ] || fail "Exec= is not \"$launcher\""
desktop-file-validate "$desktop" || fail "desktop entry invalid for this prefix"
[ "$(sed -n 's/^TryExec=//p' "$desktop")" = "$prefix/bin/pixolan" ] || fail "TryExec= is wrong"
[ "$(sed -n 's/^Icon=//p' "$desktop")" = "$app_id" ] || fail "Icon= is not $app_id"
[ -f "$prefix/share/icons/hicolor/scalable/apps/$app_id.svg" ] || fail "no scalable icon"

# Start the launcher as a menu would, from /, with a stand-in window that records where it runs.
mkdir -p "$prefix/bin"
cat >"$prefix/bin/pixolan" <<'STANDIN'
#!/bin/sh
pwd >"$PIXOLAN_TEST_RECORD"
STANDIN
chmod +x "$prefix/bin/pixolan"
export PIXOLAN_TEST_RECORD="$work/record"
home="$work/home of user"
mkdir "$home"
(cd / && HOME="$home" "$launcher") || fail "launcher failed"
[ "$(cat "$work/record")" = "$home" ] || fail "started in '$(cat "$work/record")', not the home folder"

# A home folder that cannot be opened: the window still starts, and the reason is on stderr.
rm -f "$work/record"
(cd / && HOME="$work/missing" "$launcher" 2>"$work/stderr") || fail "launcher failed without home"
[ "$(cat "$work/record")" = / ] || fail "without a home folder the window did not start in /"
grep -q "cannot open the home folder '$work/missing'" "$work/stderr" ||
    fail "no message about the missing home folder"

[ "$failures" -eq 0 ] || exit 1
echo "install layout: $# files as expected"
