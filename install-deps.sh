#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, and the browser test's npm
# packages. Does nothing when everything is already present, so it needs root only the first time.
set -euo pipefail
cd "$(dirname "$0")"

packages=(
    cmake ninja-build g++ pkg-config binutils curl time ccache
    libgtest-dev libgmock-dev libbenchmark-dev
    librsvg2-bin
    libboost-dev libssl-dev libsqlite3-dev libturbojpeg0-dev libsimdjson-dev nlohmann-json3-dev
    chromium
    g++-mingw-w64-x86-64-posix wine wine64 openssl python3 tinyproxy
    xvfb xauth fonts-wine
    clang libclang-rt-14-dev libc++-14-dev
)
# Node.js for the browser test; a Node.js installed otherwise (with its own npm) is kept.
command -v npm >/dev/null || packages+=(nodejs npm)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

browser_test=Tests/Service/browser
if [ ! -d "$browser_test/node_modules" ]; then
    echo "Installing the browser test's npm packages"
    (cd "$browser_test" && npm ci --no-audit --no-fund)
fi
