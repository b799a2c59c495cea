#!/usr/bin/env bash
# The Windows serial port under Wine against qmx-sim --baud 9600: "R" exchanges per second as a
# ratio of the wire limit, a 464-byte block read, and the CPU while waiting on a silent line, of
# the program and of the Wine server that serves its reads.
#   bash bench/winelinkbench.sh BUILD_DIR [seconds per measurement]
# BUILD_DIR is a configured build folder of this project (for qmx-sim).
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
seconds=${2:-5}
work=$build/bench-wine
. "$source_dir/tests/wine/wine-support.sh"
trap wine_cleanup EXIT
wine_tools_check || exit 1

cmake --build "$build" --target qmx-sim >/dev/null
mkdir -p "$work"
cross_build "$source_dir" "$work/mingw" winelinkbench >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
wine_prefix "$work/prefix"
start_sim "$build/bin/qmx-sim" "$work/tty1" --baud 9600
start_sim "$build/bin/qmx-sim" "$work/tty2" --baud 9600 --fault silence
map_com 1 "$work/tty1"
map_com 2 "$work/tty2"

server_cpu() { # utime + stime of the prefix's Wine server, in clock ticks
    local pid
    pid=$(pgrep -n -f "^$WINESERVER" || true)
    [ -n "$pid" ] && awk '{ print $14 + $15 }' "/proc/$pid/stat" || echo 0
}
"$WINE64" cmd /c exit 0 # the server is up before it is measured
before=$(server_cpu)
start=$(date +%s.%N)
"$WINE64" "$work/mingw/tests/wine/winelinkbench.exe" "$seconds"
after=$(server_cpu)
end=$(date +%s.%N)
awk -v t="$((after - before))" -v hz="$(getconf CLK_TCK)" -v s="$start" -v e="$end" \
    'BEGIN { printf "Wine server CPU over the whole run: %.2f s of %.1f s wall = %.2f %%\n", t / hz, e - s, 100 * t / hz / (e - s) }'
