#!/usr/bin/env bash
# Installs the Debian packages a job needs, where any are missing:
#   install-deps.sh build    the compilers and libraries that build both programs
#   install-deps.sh start    build, and what the window needs at run time: fonts, the disk service
#   install-deps.sh test     start, and the test tools (the default without arguments)
#   install-deps.sh PACKAGE...   those packages
# Installing needs root: run it as root, or as a user who may use sudo. A registry that is out
# of step for a while (a mirror being synced, the dpkg lock held by another install) gets a few
# tries with a pause between them; apt's own words are shown when it still fails.
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
tries=${VORLANE_APT_TRIES:-3}
pause=${VORLANE_APT_PAUSE:-20}

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "install-deps.sh: installing ${missing[*]} needs root, and sudo is not installed." >&2
    echo "Run the same command as root (su -c '$0 $*'), or have these packages installed." >&2
    exit 1
  fi
  as_root=(sudo)
fi

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
run_apt() {  # LOG ARGUMENT...: apt-get, its words kept in LOG; waits for another install's lock
  local log=$1
  shift
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get -q -o DPkg::Lock::Timeout=120 "$@" >"$logs/$log" 2>&1
}

# An index that fails to download matters only if a package then cannot be installed: apt
# installs from the indexes it has.
for try in $(seq "$tries"); do
  echo "Updating the package lists (apt-get update)"
  run_apt update update || echo "  some package lists did not update; installing from those at hand"
  echo "Installing: ${missing[*]}"
  if run_apt install install -y --no-install-recommends "${missing[@]}"; then
    echo "Installed: ${missing[*]}"
    exit 0
  fi
  [ "$try" -lt "$tries" ] || break
  echo "  the install failed (try $try of $tries); trying again in $pause s"
  sleep "$pause"
done

echo "install-deps.sh: could not install ${missing[*]}. apt-get update said:" >&2
grep -E '^(E|W):' "$logs/update" >&2 || echo "  (nothing wrong)" >&2
echo "apt-get install said:" >&2
cat "$logs/install" >&2
exit 1
