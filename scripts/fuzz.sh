#!/usr/bin/env bash
# Runs the libFuzzer targets, one after the other, each from a copy of its kept corpus in
# fuzz/corpus/<target>/, and prints per target the executions, their rate, the coverage reached
# (edges "cov", features "ft") and the run and second at which the edge coverage last grew.
#
#   scripts/fuzz.sh [--seconds N] [--runs N] [--keep] [--build DIR] [target...]
#
#   --seconds N  time per target (default 20)
#   --runs N     stop a target after N executions (default: no limit; whichever comes first)
#   --keep       merge the inputs that add coverage back into fuzz/corpus/<target>/ (commit them)
#   --build DIR  the fuzz build folder (default build-fuzz in the source tree; configured with
#                clang when missing)
#   target...    default: every target of the build (DIR/fuzz-targets.txt)
#
# A target that finds a fault fails the script; its report ends the target's log in
# DIR/fuzz-logs/<target>.log and the input is kept in DIR/fuzz-artifacts/<target>/.
set -euo pipefail
here=$PWD
cd "$(dirname "$0")/.."
root=$PWD

seconds=20
runs=-1
keep=0
build=$root/build-fuzz
targets=()
while [ $# -gt 0 ]; do
    case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    --build) build=$2; [[ $build = /* ]] || build=$here/$build; shift 2 ;;
    -h | --help) sed -n '2,16s/^# \{0,1\}//p' "$0"; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1 (--help lists them)" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
    esac
done

if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "fuzz.sh: --seconds takes a whole number of seconds above 0" >&2
    exit 2
fi
build=$(realpath -m "$build")
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DQMX_FUZZ=ON >/dev/null
fi
[ ${#targets[@]} -gt 0 ] || mapfile -t targets <"$build/fuzz-targets.txt"
cmake --build "$build" -j"${JOBS:-2}" --target "${targets[@]}"

mkdir -p "$build/fuzz-logs"
status=0
work=
trap 'rm -rf "$work"' EXIT
printf '%-18s %10s %8s %6s %7s %7s  %s\n' target runs "runs/s" cov ft corpus "coverage last grew"
for t in "${targets[@]}"; do
    corpus="$root/fuzz/corpus/$t"
    artifacts="$build/fuzz-artifacts/$t"
    log="$build/fuzz-logs/$t.log"
    mkdir -p "$corpus" "$artifacts"
    work=$(mktemp -d)
    cp -r "$corpus"/. "$work"/

    # Every line of the fuzzer's output is stamped with the seconds since its start.
    start=$SECONDS
    set +e
    "$build/fuzz/$t" -max_total_time="$seconds" -runs="$runs" -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$work" 2>&1 |
        while IFS= read -r line || [ -n "$line" ]; do printf '%d %s\n' $((SECONDS - start)) "$line"; done >"$log"
    code=${PIPESTATUS[0]}
    set -e

    awk -v target="$t" -v corpusFiles="$(ls "$work" | wc -l)" '
        / cov: / {
            for (i = 1; i <= NF; ++i) {
                if ($i == "cov:") cov = $(i + 1)
                if ($i == "ft:") ft = $(i + 1)
            }
            run = $2; sub(/^#/, "", run)
            if (cov + 0 > best + 0) { best = cov; grewRun = run; grewAt = $1 }
        }
        /stat::number_of_executed_units:/ { runs = $3 }
        /stat::average_exec_per_sec:/ { rate = $3 }
        END {
            printf "%-18s %10s %8s %6s %7s %7s  at run %s (%s s)\n", target, runs, rate, cov, ft, corpusFiles,
                   grewRun, grewAt
        }' "$log"

    if [ "$code" -ne 0 ]; then
        echo "!! $t found a fault (exit $code); the report, from $log:" >&2
        sed 's/^[0-9]* //' "$log" | grep -v '^#' | tail -n 40 >&2 || true
        status=1
    elif [ "$keep" = 1 ]; then
        before=$(ls "$corpus" | wc -l)
        if "$build/fuzz/$t" -merge=1 -rss_limit_mb=2048 "$corpus" "$work" >"$log.merge" 2>&1; then
            echo "   kept corpus fuzz/corpus/$t: $before -> $(ls "$corpus" | wc -l) files"
        else
            echo "!! $t: the merge into fuzz/corpus/$t failed; see $log.merge" >&2
            status=1
        fi
    fi
    rm -rf "$work"
done
exit $status
