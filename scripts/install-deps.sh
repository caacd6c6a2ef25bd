#!/usr/bin/env bash
# Installs the Debian packages Vorlane needs to build, test and run, where any are missing;
# or, given package names, those.
set -euo pipefail

packages=("$@")
[ ${#packages[@]} -gt 0 ] || packages=(
  g++ cmake ninja-build pkg-config git clang-format
  libgtest-dev libgmock-dev
  qt6-base-dev qt6-serialport-dev libasound2-dev
  fonts-wqy-microhei fonts-liberation
  xvfb xauth xdotool util-linux
  libsystemd-dev udisks2 dbus udev polkitd e2fsprogs
  libcli11-dev nlohmann-json3-dev libfuse3-dev fuse3
  desktop-file-utils appstream lintian debootstrap dpkg-dev file
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
