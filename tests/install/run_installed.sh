#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks the installed layout and launcher entry, makes
# the prefix read-only and runs from it, as a user who is not root, first the installed program
# (start-up only) and then the installed-layout test program placed beside it.
# Usage: run_installed.sh <build folder> <test_installed executable>
set -euo pipefail
build=$1
check_program=$2

work=$(mktemp -d /tmp/qmx-installed.XXXXXX)
cleanup() { chmod -R u+w "$work" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
chmod 755 "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/qmx-trend bin/qmx-sim share/qmx-trend/Varlist.txt share/qmx-trend/Varlist2.txt \
         share/qmx-trend/UserPre.qmt share/applications/qmx-trend.desktop \
         share/icons/hicolor/scalable/apps/qmx-trend.svg share/mime/packages/qmx-trend.xml; do
    [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
if ! command -v desktop-file-validate >/dev/null; then
    echo "desktop-file-validate is missing (scripts/install-deps.sh installs desktop-file-utils)"
    exit 1
fi
desktop-file-validate "$prefix/share/applications/qmx-trend.desktop"
echo "installed layout and launcher entry: ok"

cp "$check_program" "$prefix/bin/qmx-installed-check"
chmod -R a-w "$prefix"

home=$work/home
mkdir -p "$home/work" "$home/runtime"
chmod 700 "$home/runtime"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    # The test command creates this user; any other root run falls back to "nobody".
    user=${QMX_TEST_USER:-qmxtester}
    id -u "$user" >/dev/null 2>&1 || user=nobody
    chown -R "$user" "$home"
    as_user=(setpriv --reuid="$(id -u "$user")" --regid="$(id -g "$user")" --clear-groups)
    echo "running as $user"
fi
run() {
    (cd "$home/work" && "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$home" \
        XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/runtime" \
        QT_QPA_PLATFORM=offscreen ASAN_OPTIONS="${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" "$@")
}

# The installed program starts from the read-only prefix and takes its presets from the shipped
# copy into the user's data folder.
run "$prefix/bin/qmx-trend" --exit-after-start
cmp "$prefix/share/qmx-trend/UserPre.qmt" "$home/.local/share/Quillster/CON/UserPre.qmt"
echo "installed program started; presets taken into the user's data folder"

run "$prefix/bin/qmx-installed-check"
