#!/usr/bin/env bash
# Installs what building and testing need, from Debian's archive; a second call
# finds everything in place and installs nothing.
set -euo pipefail

packages=(
  cmake
  make
  g++
  googletest
  libcurl4-openssl-dev
  libssl-dev
  g++-mingw-w64-x86-64-posix
  wine
  wine64
  xvfb
  x11-apps
  x11-utils
  imagemagick
  python3
  curl
  iproute2
  strace
  clang
  libclang-rt-dev
  libinih-dev
  osslsigncode
  openssl
  fonts-wine
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
