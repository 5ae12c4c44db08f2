#!/usr/bin/env bash
# Installs every Debian package that the build and the tests need. Idempotent and quiet: a second
# run installs nothing. Needs root (or sudo) and Debian's package registry.
set -euo pipefail

packages=(
    cmake ninja-build g++ make pkg-config python3
    googletest libgtest-dev zlib1g-dev nlohmann-json3-dev libdeflate-dev
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev
    wine wine64 xvfb xdotool x11-apps imagemagick fonts-wqy-microhei
    icoutils osslsigncode openssl tinyproxy-bin stress-ng clang-format
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
