#!/usr/bin/env bash
# The Windows serial port and the link core under Wine against the simulator (CTest test_wine_link).
#   run-linkcheck.sh SOURCE_DIR QMX_SIM WORK_DIR
# Exit 0: every check passed; 77: skipped, MinGW-w64 or Wine missing or Wine cannot start on this
# machine; else failed. The packages are the test command's to install, never this test's.
set -uo pipefail
source_dir=$1 qmx_sim=$2 work=$3
. "$source_dir/tests/wine/wine-support.sh"
trap wine_cleanup EXIT

if ! missing=$(wine_tools_check); then
    echo "SKIPPED: $missing"
    exit 77
fi
mkdir -p "$work"
cross_build "$source_dir" "$work/mingw" qmx-linkcheck >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }

if ! wine_prefix "$work/prefix"; then
    echo "SKIPPED: Wine cannot start on this machine"
    exit 77
fi

# One simulator per way of answering; COM9 stays without a device. COM1 answers at the pace of
# a real 9600-baud line: the Windows port takes that pace for granted, and a reply sooner than the
# wire allows is no reply of its request.
start_sim "$qmx_sim" "$work/tty1" --baud 9600 || exit 1
start_sim "$qmx_sim" "$work/tty2" --fault nak:D || exit 1
start_sim "$qmx_sim" "$work/tty3" --fault checksum || exit 1
start_sim "$qmx_sim" "$work/tty4" --fault silence || exit 1
for n in 1 2 3 4; do map_com "$n" "$work/tty$n"; done

timeout 120 "$WINE64" "$work/mingw/tests/wine/qmx-linkcheck.exe"
