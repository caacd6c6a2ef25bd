#!/usr/bin/env bash
# The Windows backend, proved on Linux: cross-builds the card, drives, window behaviour and CLI
# libraries and their tests for 32- and 64-bit Windows with mingw-w64, runs both under wine,
# then lets the real job
# write a card through wine's removable drive E:, whose raw volume is a card image file, once per
# architecture. Installs its Debian packages where missing (32-bit wine needs Debian's i386
# architecture, added once). Build folders: build/win-i686 and build/win-x86_64 (the presets
# win-i686 and win-x86_64).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/win
cd "$root"  # where the presets are

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "Adding Debian's i386 architecture for wine32"
  "${sudo[@]}" dpkg --add-architecture i386
  "${sudo[@]}" apt-get update -qq
fi
"$root/scripts/install-deps.sh" cmake ninja-build googletest libcli11-dev nlohmann-json3-dev \
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine64 wine32:i386 xvfb

# Debian keeps wine's loaders out of PATH: wine runs 32-bit programs, wine64 64-bit ones.
declare -A loader=([i686]=/usr/lib/wine/wine [x86_64]=/usr/lib/wine/wine64)
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installers

# A prefix of our own, so the user's ~/.wine is never touched, and its drives are ours to set.
work=$(mktemp -d "${TMPDIR:-/tmp}/vorlane-wine-XXXXXX")
export WINEPREFIX="$work/prefix"
xvfb=
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The window's tests need a display that draws: wine's X11 driver on an X server. Xvfb is
# started only when no display answers, on a free number, and stopped by its process id.
if ! { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }; then
  number=90
  while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
  Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=":$number"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$number" ] && break; sleep 0.1; done
fi

for arch in i686 x86_64; do
  echo "== Windows $arch build =="
  cmake --preset "win-$arch" >/dev/null
  cmake --build --preset "win-$arch"
done

# Wine reports DRIVE_REMOVABLE for a drive its registry calls a floppy; E:\ is the folder the e:
# link names, and "\\.\E:" opens the file the e:: link names: here a sparse card image.
"$wine" wineboot -i >/dev/null 2>&1
image="$work/card.img"
truncate -s 420M "$image"
mkdir "$work/drive-e"
ln -s "$work/drive-e" "$WINEPREFIX/dosdevices/e:"
ln -s "$image" "$WINEPREFIX/dosdevices/e::"
"$wine" reg add 'HKLM\Software\Wine\Drives' /v e: /d floppy /f >/dev/null
"$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null
# Wine's mount manager keeps the drives it saw at start: restart wine so it sees E: as set here.
"$wineserver" -k
"$wineserver" -w

for arch in i686 x86_64; do
  echo "== Windows $arch tests under wine =="
  ctest --preset "win-$arch"

  echo "== Windows $arch job on removable drive E: under wine =="
  truncate -s 0 "$image"  # a blank card for each job
  truncate -s 420M "$image"
  VORLANE_DRIVE_E_IMAGE=$("$wine" winepath -w "$image") \
    "${loader[$arch]}" "$build-$arch/tests/card/card_drive_e_tests.exe"

  echo "== Windows $arch job through the window onto drive E: under wine =="
  truncate -s 0 "$image"
  truncate -s 420M "$image"
  VORLANE_DRIVE_E_IMAGE=$("$wine" winepath -w "$image") \
    "${loader[$arch]}" "$build-$arch/tests/window/win32/window_drive_e_tests.exe"
done

echo "Windows OK: i686 and x86_64 tests, the window and drive E: jobs passed under wine"
