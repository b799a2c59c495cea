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

# The recorder's service: the unit names the installed program, systemd finds nothing to say about
# it (where systemd-analyze is there; no systemd needs to run), and the example's arguments are
# taken (the port of the example is not on this machine: exit 1, not 2).
unit=$prefix/lib/systemd/system/qmx-record@.service
for f in bin/qmx-record lib/systemd/system/qmx-record@.service share/qmx-record/example.conf; do
    [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
grep -qx "ExecStart=$prefix/bin/qmx-record --config /etc/qmx-record/%i.conf" "$unit" ||
    { echo "ExecStart does not name the installed qmx-record"; exit 1; }
if command -v systemd-analyze >/dev/null; then
    cp "$unit" "$work/qmx-record@line1.service"
    said=$(systemd-analyze verify --man=no "$work/qmx-record@line1.service" 2>&1) || { echo "$said"; exit 1; }
    [ -z "$said" ] || { echo "systemd-analyze verify: $said"; exit 1; }
    echo "service unit verified by systemd-analyze"
else
    echo "systemd-analyze is not installed: the service unit was not verified"
fi
example_port=$(sed -n 's/^--port \([^ ]*\).*/\1/p' "$prefix/share/qmx-record/example.conf")
if [ ! -e "$example_port" ]; then
    status=0
    (cd "$work" && XDG_STATE_HOME="$work/state" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" \
        QMX_LOCK_DIR="$work" "$prefix/bin/qmx-record" --config "$prefix/share/qmx-record/example.conf" --quiet \
        >"$work/example.out" 2>&1) || status=$?
    [ "$status" -eq 1 ] || { echo "the example's arguments: exit $status"; cat "$work/example.out"; exit 1; }
    echo "the example's arguments are taken"
fi

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
