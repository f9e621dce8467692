#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Does nothing when every package is already present, so it needs root only the first time.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config binutils curl
    libgtest-dev libgmock-dev libbenchmark-dev
    librsvg2-bin
    libboost-dev libssl-dev libsqlite3-dev libturbojpeg0-dev libsimdjson-dev nlohmann-json3-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
