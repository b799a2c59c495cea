#!/usr/bin/env bash
# The test command: installs what is missing, builds from scratch, runs the whole suite; then the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of every fuzz
# target. Any failure or sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/install-deps.sh
# The installed-program test runs the program as a user who is not root; run as root, the test
# command makes that user (no home, no login).
if [ "$(id -u)" -eq 0 ] && ! id -u qmxtester >/dev/null 2>&1; then
    useradd --system --no-create-home --shell /usr/sbin/nologin qmxtester
fi

jobs=${JOBS:-2}
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

echo "== build (warnings are errors)"
rm -rf build-test
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQMX_WERROR=ON >/dev/null
cmake --build build-test -j"$jobs"
echo "== tests"
(cd build-test && ctest --output-on-failure --timeout 300) | tee build-test/ctest.log

if [ "${QMX_SKIP_SANITIZERS:-0}" != "1" ]; then
    echo "== build under AddressSanitizer and UndefinedBehaviorSanitizer"
    rm -rf build-asan
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQMX_SANITIZE=ON -DQMX_WERROR=ON >/dev/null
    cmake --build build-asan -j"$jobs"
    echo "== tests under sanitizers"
    (cd build-asan && ctest --output-on-failure --timeout 400) | tee build-asan/ctest.log

    echo "== fuzz targets (short runs on the kept corpora)"
    rm -rf build-fuzz
    bash scripts/fuzz.sh --seconds "${FUZZ_SECONDS:-20}"
fi
# One closing line over every ctest run of this command.
total=$({ cat build-test/ctest.log; cat build-asan/ctest.log 2>/dev/null || true; } | sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2 \1/p' |
        awk '{ n += $1; f += $2 } END { print n - f " passed, " f " failed" }')
echo "$total"
