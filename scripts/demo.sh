#!/usr/bin/env bash
# The demo: installs what is missing, builds, starts the controller simulator with its demo image
# on a pseudo-terminal and opens the program against it. The program's configuration is kept in
# build-demo/config (COM1 mapped to the simulator's device), apart from the user's own.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-demo -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-demo -j"${JOBS:-2}" --target qmx-trend qmx-sim

demo=$PWD/build-demo/demo
mkdir -p "$demo" "$PWD/build-demo/config/Quillster"
device="$demo/ttyQMX"
baud=${QMX_DEMO_BAUD:-9600}
build-demo/bin/qmx-sim --link "$device" --baud "$baud" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null' EXIT
for _ in $(seq 50); do [ -e "$device" ] && break; sleep 0.1; done

export XDG_CONFIG_HOME=$PWD/build-demo/config
conf=$XDG_CONFIG_HOME/Quillster/CON.conf
if ! grep -q '^COM1=' "$conf" 2>/dev/null; then
    printf '[General]\nCOM=COM1\n\n[Devices]\nCOM1=%s\n' "$device" > "$conf"
fi
echo "Simulator on $device (COM1); configuration in $conf"
cd build-demo/demo
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display: running under Xvfb"
    exec_cmd=(xvfb-run -a -s "-screen 0 1280x800x24" ../bin/qmx-trend)
else
    exec_cmd=(../bin/qmx-trend)
fi
"${exec_cmd[@]}" "$@"
