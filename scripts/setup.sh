#!/usr/bin/env bash
# Installs what the project needs to build, test and render on Debian 12.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libsqlite3-dev sqlite3
  libcairo2-dev libpango1.0-dev libharfbuzz-dev libfreetype-dev libfontconfig-dev zlib1g-dev
  fonts-dejavu-core fonts-dejavu-extra
  libxlsxwriter-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libboost-dev
  libtomlplusplus-dev libcurl4-openssl-dev python3-aiosmtpd
  poppler-utils unzip clang-format libreoffice-calc-nogui
  clang-14 libclang-rt-14-dev
  chromium
  help2man dpkg-dev python3
  gettext locales
)
# The viewer's browser test runs on Node; any Node with npm will do.
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)

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

# The program's messages are tested in Portuguese, under a locale that must exist.
if ! locale -a 2>/dev/null | grep -qix 'pt_BR.utf8'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo localedef -i pt_BR -f UTF-8 pt_BR.UTF-8
fi

# playwright-core for the browser test, as the lock file pins it; it drives the Chromium
# installed above and never downloads a browser.
browser_tests="$(dirname "$0")/../tests/browser"
if [ ! -d "$browser_tests/node_modules/playwright-core" ] ||
  [ "$browser_tests/package-lock.json" -nt "$browser_tests/node_modules" ]; then
  (cd "$browser_tests" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund)
fi
