#!/usr/bin/env bash
# Installs the Debian 12 packages Kestrine needs to build, run and test, when any is missing.
# Runs apt-get as root (or through password-less sudo); otherwise prints the line to run.
set -euo pipefail

packages=(
    cmake ninja-build clang clang-format libclang-rt-14-dev ccache pkg-config dpkg-dev g++
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 libqt6sql6-sqlite qcoro-qt6-dev libgl-dev
    libplist-dev libsystemd-dev libsqlite3-dev libqrencode-dev libbenchmark-dev
    fonts-noto-color-emoji unicode-data unicode-cldr-core
    xvfb xauth imagemagick adb mksh zbar-tools
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
        as_root=(sudo)
    else
        echo "Kestrine needs these packages; install them as root with:" >&2
        echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
fi
export DEBIAN_FRONTEND=noninteractive
${as_root[@]+"${as_root[@]}"} apt-get update -qq
${as_root[@]+"${as_root[@]}"} apt-get install -y -qq --no-install-recommends "${missing[@]}"
