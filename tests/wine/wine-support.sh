# Shared by the Wine link test and the Wine benchmark: a cross build of the console programs, a
# throw-away Wine prefix and simulators mapped to its COM ports. Source it, then call the functions;
# wine_cleanup ends what was started (by process number) and removes the prefix.

WINE64=${WINE64:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
sim_pids=()
sim_outputs=()

# wine_tools_check: the cross compiler and Wine are on this machine (the test command installs
# both with scripts/install-deps.sh before it builds); else says which are missing and fails.
wine_tools_check() {
    local missing=()
    command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1 ||
        missing+=("MinGW-w64 (no x86_64-w64-mingw32-g++, package g++-mingw-w64-x86-64)")
    [ -x "$WINE64" ] || missing+=("Wine (no $WINE64, package wine64)")
    [ ${#missing[@]} -eq 0 ] && return 0
    local what them=it
    what=$(printf '%s and ' "${missing[@]}")
    [ ${#missing[@]} -eq 1 ] || them=them
    echo "${what% and } missing; scripts/install-deps.sh installs $them, as scripts/test.sh does before the build"
    return 1
}

# cross_build SOURCE_DIR BUILD_DIR TARGET: the console program built with MinGW-w64.
cross_build() {
    cmake -S "$1" -B "$2" -G Ninja -DQMX_LINK_CORE_ONLY=ON -DQMX_WERROR=ON -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$1/cmake/mingw-w64-x86_64.cmake" >"$2.configure.log" 2>&1 ||
        { cat "$2.configure.log"; return 1; }
    cmake --build "$2" --target "$3"
}

# wine_prefix DIR: a fresh prefix; fails when Wine cannot start at all.
wine_prefix() {
    export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
    unset DISPLAY WAYLAND_DISPLAY
    rm -rf "$WINEPREFIX"
    [ -x "$WINE64" ] || { echo "no $WINE64"; return 1; }
    timeout 120 "$WINE64" wineboot --init >"$1.boot.log" 2>&1 || { cat "$1.boot.log"; return 1; }
    # Only the ports this run maps: none of the machine's own serial devices.
    rm -f "$WINEPREFIX"/dosdevices/com*
}

# start_sim QMX_SIM LINK_PATH ARGS...: a simulator serving the device that LINK_PATH points to;
# returns once it serves (its first line of output), without sleeping.
start_sim() {
    local sim=$1 link=$2
    shift 2
    local out
    exec {out}< <(exec "$sim" --link "$link" --no-live "$@")
    sim_pids+=($!)
    local line
    # The output stays open until the end, so that a later line of the simulator finds a reader.
    sim_outputs+=("$out")
    read -r -t 20 -u "$out" line || { echo "qmx-sim did not start: $*"; return 1; }
}

# map_com N LINK_PATH: COMn of the prefix reaches the simulator.
map_com() {
    ln -sfn "$2" "$WINEPREFIX/dosdevices/com$1"
}

wine_cleanup() {
    local pid fd
    for pid in "${sim_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${sim_pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    for fd in "${sim_outputs[@]}"; do
        exec {fd}<&-
    done
    sim_pids=()
    sim_outputs=()
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        "$WINESERVER" -k 2>/dev/null || true
        "$WINESERVER" -w 2>/dev/null || true
        rm -rf "$WINEPREFIX"
    fi
}
