#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ ccache pkg-config
  qt6-base-dev libgl-dev qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev
  xvfb xauth xdotool x11-utils wmctrl openbox imagemagick fonts-dejavu-core
  dpkg-dev file poppler-utils
  lintian desktop-file-utils appstream man-db
  tshark
  python3 # its csv module reads the CSV test files as a second, independent reader
  libquazip1-qt6-dev python3-openpyxl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
