#!/usr/bin/env bash
# The Windows backend, proved on Linux: cross-builds the card and drives libraries and their
# tests for 32- and 64-bit Windows with mingw-w64, runs the 64-bit tests under wine, then lets the
# real job write a card through wine's removable drive E:, whose raw volume is a card image file.
# Installs its Debian packages where missing. Build folders: build/win-i686, build/win-x86_64.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/install-deps.sh" cmake ninja-build googletest g++-mingw-w64-i686-posix \
  g++-mingw-w64-x86-64-posix wine64

# Debian's wine64 keeps its loader out of PATH. Only 64-bit Windows programs run here: 32-bit ones
# would need wine32 from the i386 architecture, so the i686 build is built but not run.
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installers

# A prefix of our own, so the user's ~/.wine is never touched, and its drives are ours to set.
work=$(mktemp -d "${TMPDIR:-/tmp}/vorlane-wine-XXXXXX")
export WINEPREFIX="$work/prefix"
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

for arch in i686 x86_64; do
  echo "== Windows $arch build =="
  cmake -S "$root" -B "$root/build/win-$arch" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    --toolchain "$root/cmake/toolchains/mingw-$arch.cmake" \
    -DVORLANE_BUILD_WINDOW=OFF -DCMAKE_CROSSCOMPILING_EMULATOR="$wine" >/dev/null
  cmake --build "$root/build/win-$arch"
done

echo "== Windows x86_64 tests under wine =="
# Wine reports DRIVE_REMOVABLE for a drive its registry calls a floppy; E:\ is the folder the e:
# link names, and "\\.\E:" opens the file the e:: link names: here a sparse card image.
"$wine" wineboot -i >/dev/null 2>&1
image="$work/card.img"
truncate -s 420M "$image"
mkdir "$work/drive-e"
ln -s "$work/drive-e" "$WINEPREFIX/dosdevices/e:"
ln -s "$image" "$WINEPREFIX/dosdevices/e::"
"$wine" reg add 'HKLM\Software\Wine\Drives' /v e: /d floppy /f >/dev/null
# Wine's mount manager keeps the drives it saw at start: restart wine so it sees E: as set here.
"$wineserver" -k
"$wineserver" -w
ctest --test-dir "$root/build/win-x86_64" --output-on-failure --timeout 300

echo "== Windows x86_64 job on removable drive E: under wine =="
VORLANE_DRIVE_E_IMAGE=$("$wine" winepath -w "$image") \
  "$wine" "$root/build/win-x86_64/tests/card/card_drive_e_tests.exe"

echo "Windows backend OK: i686 and x86_64 built; x86_64 tests and the drive E: job passed under wine"
