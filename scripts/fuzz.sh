#!/bin/sh
# Builds the libFuzzer targets with clang 14 (address and undefined-behaviour checks on) in
# build/fuzz and runs each for SECONDS (default 60), at most JOBS (default 2) at a time, at low
# priority. New inputs collect in build/fuzz/fuzz/work/<target>/corpus; an input that breaks a
# target lands in .../artifacts and makes this script fail. Each run's log ends with the number
# of executions ("Done N runs in S second(s)").
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-"rtu_reply tcp_reply read_device xml_load string_table catalog"}
jobs=${JOBS:-2}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DZEL_FUZZ=ON -DZEL_BUILD_GUI=OFF >/dev/null
for t in $targets; do
    cmake --build "$build" --target "${t}_fuzzer" -j2
done

status=0
run() {
    t=$1
    work="$build/fuzz/work/$t"
    mkdir -p "$work/corpus" "$work/artifacts"
    if nice -n 10 "$build/fuzz/${t}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/" "$work/corpus" "$root/tests/fuzz/corpus/$t" \
        >"$work/log" 2>&1; then
        echo "$t: $(grep -E '^Done [0-9]+ runs' "$work/log" || echo 'finished')"
    else
        echo "$t: FAILED, see $work/log and $work/artifacts" >&2
        return 1
    fi
}

pids=""
for t in $targets; do
    run "$t" &
    pids="$pids $!"
    set -- $pids
    if [ $# -ge "$jobs" ]; then
        wait "$1" || status=1
        shift
        pids="$*"
    fi
done
for pid in $pids; do
    wait "$pid" || status=1
done
exit $status
