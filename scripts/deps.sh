#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Tavren
# need. Only missing packages are installed; apt-get runs through sudo when
# the caller is not root.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-webengine-dev-tools
  libqt6webenginecore6-bin libjpeg62-turbo-dev libgl-dev libxcb1-dev libcurl4-openssl-dev
  # run: Japanese faces for the Windows families the windows name, Qt's Japanese dialogs
  fonts-ipafont-gothic fonts-ipafont-mincho fonts-motoya-l-maruberi fonts-dejavu-core
  qt6-translations-l10n python3
  # tests, format check, benchmarks, fuzzers, screenshots, packaging checks
  libgtest-dev libgmock-dev libbenchmark-dev clang clang-format libclang-rt-14-dev openssl linkchecker
  xvfb xauth imagemagick appstream desktop-file-utils shared-mime-info xdg-utils libglib2.0-bin
  # what a screen reader reads (scripts/a11y-tree.py)
  at-spi2-core python3-pyatspi dbus
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
