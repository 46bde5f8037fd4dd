#!/usr/bin/env bash
# Installs the Debian packages Tallyline needs to build, run and test.
# Uses sudo when not run as root; does nothing when everything is present.
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-charts-dev qt6-multimedia-dev qt6-svg-dev
    libqt6svg6 libqt6opengl6-dev libxkbcommon-dev qt6-qpa-plugins libgl-dev libsodium-dev
    libsqlite3-dev sqlite3
    fonts-dejavu-core
    desktop-file-utils appstream dpkg-dev file
    iproute2 iputils-ping chrony
    dbus-daemon
    xvfb xauth imagemagick xdotool
    poppler-utils
    clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
    sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
