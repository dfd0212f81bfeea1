#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the setup
# program needs (clang and its fuzzer runtime for the fuzz preset among
# them, Chromium and its WebDriver for the test of the phone's page, and the
# WebSockets headers without which CMake does not find Qt's HTTP server);
# with --package also what building and checking its Debian package needs
# (scripts/package.sh). Safe to run again; works as root or through
# sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-qpa-plugins
  qt6-translations-l10n
  libgl-dev libxkbcommon-dev
  libalglib-dev
  libopencv-core-dev libopencv-imgproc-dev libopencv-calib3d-dev
  qt6-httpserver-dev qt6-websockets-dev libqrencode-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-dejavu-core
  xvfb xauth
  chromium chromium-driver
  desktop-file-utils groff-base
  clang-14 libclang-rt-14-dev
)
if [ "${1:-}" = "--package" ]; then
  packages+=(lintian)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then SUDO=(); else SUDO=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -q
"${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
