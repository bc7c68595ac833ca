#!/usr/bin/env bash
# The first command of the README. On a fresh Debian 12 machine (as root, or with sudo) it
# installs what the build needs, builds everything, starts a simulated ZEL Three on loopback
# with all four links and reads it with zelctl over each of them.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
cmake --preset dev
cmake --build --preset dev

bin=build/dev/bin
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

# A private configuration folder, so the COM port alias and the remembered language of this
# demonstration never touch the user's own.
export XDG_CONFIG_HOME="$work/config"
ports="$XDG_CONFIG_HOME/Tarvolin/ZEL/ports"
mkdir -p "$ports"

# The simulator announces one line per link once it listens; the serial link is a
# pseudo-terminal that COM5 leads to.
mkfifo "$work/links"
"$bin/zel-sim" --model three --modbus-tcp 0 --tcp 0 --udp 0 --pty "$ports/COM5" \
    > "$work/links" &
sim_pid=$!
exec 3< "$work/links"
declare -A address
for _ in 1 2 3 4; do
    read -r -t 10 -u 3 kind where _rest
    address[$kind]=$where
done
echo "zel-sim (PID $sim_pid): Modbus TCP ${address[modbus-tcp]}, RTU over TCP ${address[tcp]}," \
    "RTU over UDP ${address[udp]}, COM5 -> ${address[pty]}"

for link in "--modbus-tcp ${address[modbus-tcp]}" "--tcp ${address[tcp]}" \
    "--udp ${address[udp]}" "--serial COM5"; do
    echo
    echo "\$ zelctl read $link"
    # shellcheck disable=SC2086 # the link is two words on purpose
    "$bin/zelctl" read $link
done

# With a display, the desktop tool opens on the same simulator over Modbus TCP. It runs from a
# scratch copy of the program folder, so the settings it writes never touch the user's copy.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/zel" ]; then
    app="$work/program"
    cp -r "$bin" "$app"
    rm -f "$app/default.xcfg" "$app/default.xcfg.bad"
    port=${address[modbus-tcp]##*:}
    printf '%s' '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>' \
        '<config><productName>ZEL Software</productName><icono>Tarvolin.ico</icono>' \
        '<timeRefresh>10</timeRefresh><comType>3</comType><stNum>1</stNum>' \
        '<portConfig>0</portConfig><port>-1</port><ipAddress>127.0.0.1</ipAddress>' \
        "<ipSocket>$port</ipSocket></config>" > "$app/default.xcfg"
    echo
    echo "Opening the desktop tool on ModbusTCP 127.0.0.1:$port: press Update to read the device;"
    echo "close the window to end the demonstration."
    "$app/zel" || true
else
    echo
    echo "No display: the desktop tool was not opened (run this from a desktop session to see it)."
fi
