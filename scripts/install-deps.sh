#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need.
set -euo pipefail
pkgs=(
  build-essential cmake pkg-config ccache
  qtbase5-dev qtbase5-dev-tools qtbase5-private-dev qttools5-dev qttools5-dev-tools
  libhidapi-dev libudev-dev zlib1g-dev locales zip unzip
  umockdev libumockdev-dev gir1.2-umockdev-1.0
  g++-mingw-w64-x86-64 wine64 wine
  clang libclang-rt-14-dev
  xvfb xauth imagemagick fonts-wqy-microhei fonts-font-awesome openssl
  desktop-file-utils appstream dpkg-dev file curl unzip
  debootstrap
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
