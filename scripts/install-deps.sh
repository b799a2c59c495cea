#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when they are missing.
set -euo pipefail
packages=(build-essential cmake ninja-build qt6-base-dev libgl-dev fonts-liberation
          xvfb xauth clang libclang-rt-14-dev poppler-utils locales-all desktop-file-utils
          g++-mingw-w64-x86-64 wine64 pkg-config libmosquitto-dev mosquitto mosquitto-clients influxdb)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
