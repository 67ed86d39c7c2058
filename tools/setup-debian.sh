#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Scourwell needs.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libbz2-dev libjpeg-dev libssl-dev libsqlite3-dev libcurl4-openssl-dev
  libgtest-dev googletest nlohmann-json3-dev
  dpkg-dev file lintian desktop-file-utils appstream
  clang libclang-rt-dev
  xvfb xauth xdg-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
