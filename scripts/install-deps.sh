#!/usr/bin/env bash
# Installs the Debian packages a job needs, where any are missing:
#   install-deps.sh build    the compilers and libraries that build both programs
#   install-deps.sh start    build, and what the window needs at run time: fonts, the disk service
#   install-deps.sh test     start, and the test tools (the default without arguments)
#   install-deps.sh PACKAGE...   those packages
set -euo pipefail

build=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev libasound2-dev libsystemd-dev
  libcli11-dev nlohmann-json3-dev
)
run=(fonts-wqy-microhei fonts-liberation udisks2 dbus udev polkitd)
test=(
  git clang-format libgtest-dev libgmock-dev
  xvfb xauth xdotool util-linux e2fsprogs libfuse3-dev fuse3
)
case "${1:-test}" in
  build) packages=("${build[@]}") ;;
  start) packages=("${build[@]}" "${run[@]}") ;;
  test) packages=("${build[@]}" "${run[@]}" "${test[@]}") ;;
  *) packages=("$@") ;;
esac

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
