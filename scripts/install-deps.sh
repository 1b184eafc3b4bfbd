#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs, with Debian's packages, what building, running and testing Talvenor on Linux needs.
# Usage: scripts/install-deps.sh [run|test]   (run: build and use; test: everything the suites use)
set -euo pipefail

what="${1:-test}"
run_packages=(
  cmake g++ make pkg-config
  qt6-base-dev libgl-dev libx11-dev libxtst-dev
  qt6-translations-l10n fonts-liberation2
  ffmpeg xterm xdg-utils
  xvfb openbox x11-utils imagemagick
)
test_packages=(
  libgtest-dev googletest
  xdotool x11-xserver-utils xclip xinput qt6-gtk-platformtheme
  desktop-file-utils appstream dpkg-dev fakeroot lintian man-db zip unzip nsis procps
  mutter dbus-daemon weston xwayland python3 libglib2.0-bin
  clang libclang-rt-dev llvm unicode-data
)
packages=("${run_packages[@]}")
[ "$what" = "test" ] && packages+=("${test_packages[@]}")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
# Others may be installing at the same time: wait for the package lock rather than fail.
$sudo apt-get -o DPkg::Lock::Timeout=600 update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}"
