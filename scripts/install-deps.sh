#!/usr/bin/env bash
# Installs the Debian 12 packages Trawler needs to build, test and run, when they are missing.
# Uses sudo when not run as root.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config python3
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    fonts-noto-cjk
    qt6-base-dev qt6-base-dev-tools libgl-dev libqt6svg6 qt6-qpa-plugins adwaita-icon-theme
    xvfb xauth xdotool x11-utils
    libdb1-compat
    libmsiecf-utils
    zlib1g-dev
)
# Node.js and npm run the WARC validator; a machine may already have them from elsewhere.
for tool in node npm; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        packages+=("$([ "$tool" = node ] && echo nodejs || echo npm)")
    fi
done

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
