#!/usr/bin/env bash
# Installs, with apt-get, every Debian package the build, the tests and the demo need, when missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git clang-format
    googletest libgtest-dev
    qt6-base-dev qt6-svg-dev libqt6svg6 qt6-translations-l10n qt6-image-formats-plugins
    libmodbus-dev nlohmann-json3-dev socat hyperfine xvfb xauth fonts-dejavu-core
)
if [ "${ZEL_FUZZ_DEPS:-0}" = 1 ]; then
    packages+=(clang-14 libclang-rt-14-dev libfuzzer-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
else
    sudo=
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
