#!/usr/bin/env bash
# Times `zelctl read` against a three-line zel-sim on loopback, whole process against whole
# process with hyperfine: over Modbus TCP beside a libmodbus program making the same nine
# requests, and over RTU in TCP and in UDP, where every request keeps 40 ms of silence first.
# Usage: bench/read_benchmark.sh [BUILD-DIR]   (default build/dev; results in BUILD-DIR/bench)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
bin=$build/bin
out=$build/bench
mkdir -p "$out"

cc -O2 -Wall -Wextra bench/libmodbus_read.c $(pkg-config --cflags --libs libmodbus) \
    -o "$out/libmodbus_read"

work=$(mktemp -d)
sim_pid=
cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$work/config"

mkfifo "$work/links"
"$bin/zel-sim" --model three --modbus-tcp 0 --tcp 0 --udp 0 > "$work/links" &
sim_pid=$!
exec 3< "$work/links"
declare -A address
for _ in 1 2 3; do
    read -r -t 10 -u 3 kind where
    address[$kind]=$where
done
mbtcp=${address[modbus-tcp]}

hyperfine -N --warmup 20 --runs 300 --export-json "$out/modbus_tcp.json" \
    "$bin/zelctl read --modbus-tcp $mbtcp" \
    "$out/libmodbus_read ${mbtcp%:*} ${mbtcp##*:}"

hyperfine -N --warmup 2 --runs 20 --export-json "$out/rtu_links.json" \
    "$bin/zelctl read --tcp ${address[tcp]}" \
    "$bin/zelctl read --udp ${address[udp]}"

# The nine requests must each keep 40 ms of silence: what is spent beyond 360 ms per read.
python3 - "$out/modbus_tcp.json" "$out/rtu_links.json" <<'PY'
import json, sys
mb = json.load(open(sys.argv[1]))["results"]
for key in ("mean", "median", "min"):
    print("Modbus TCP %s: zelctl %.2f ms, libmodbus %.2f ms, ratio %.2f" %
          (key, mb[0][key] * 1e3, mb[1][key] * 1e3, mb[0][key] / mb[1][key]))
for r in json.load(open(sys.argv[2]))["results"]:
    print("%s: %.1f ms per read, %.1f ms above 9 x 40 ms" %
          (r["command"].split()[2], r["mean"] * 1e3, r["mean"] * 1e3 - 360))
PY
