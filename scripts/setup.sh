#!/usr/bin/env bash
# Installs what the project needs to build, test and render on Debian 12.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libsqlite3-dev
  libcairo2-dev libpango1.0-dev fonts-dejavu-core fonts-dejavu-extra
  libxlsxwriter-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcpp-httplib-dev
  poppler-utils unzip clang-format
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
