#!/usr/bin/env bash
# Builds what Windows users download, for 32- and 64-bit Windows, into build/package:
#   vorlane-<version>-windows-<arch>.zip   the portable programs, the Windows manual
#                                          (dist/windows/README.txt) and the licence
#   vorlane-<version>-setup-<arch>.exe     the installer (NSIS, dist/windows/vorlane.nsi)
# Both programs are cross-built with mingw-w64, optimised, linked statically and stripped
# (presets win-i686-release and win-x86_64-release). The version is project()'s.
# Usage: scripts/package-windows.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/package
"$root/scripts/install-deps.sh" cmake ninja-build libcli11-dev nlohmann-json3-dev \
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix nsis zip

# Notepad before Windows 10 knows neither LF line ends nor UTF-8 without its byte-order mark,
# and the manual has Chinese texts.
as_windows_text() { printf '\xef\xbb\xbf'; sed 's/$/\r/' "$1"; }

cd "$root"
mkdir -p "$out"
declare -A triple=([i686]=i686-w64-mingw32 [x86_64]=x86_64-w64-mingw32)
for arch in i686 x86_64; do
  echo "== Windows $arch package =="
  build=$root/build/win-$arch-release
  cmake --preset "win-$arch-release" >/dev/null
  cmake --build --preset "win-$arch-release"
  version=$(sed -n 's/.*Version = "\(.*\)";/\1/p' "$build/generated/vorlane/Version.h")

  stage=$build/stage
  rm -rf "$stage" && mkdir -p "$stage"
  "${triple[$arch]}-strip" -o "$stage/vorlane.exe" "$build/window/win32/vorlane.exe"
  "${triple[$arch]}-strip" -o "$stage/vorlane-cli.exe" "$build/cli/vorlane-cli.exe"
  as_windows_text dist/windows/README.txt >"$stage/README.txt"
  as_windows_text dist/debian/copyright >"$stage/LICENSE.txt"

  zip=$out/vorlane-$version-windows-$arch.zip
  rm -f "$zip"
  (cd "$stage" && zip -q -X -9 "$zip" vorlane.exe vorlane-cli.exe README.txt LICENSE.txt)
  makensis -V2 -DVERSION="$version" -DARCH="$arch" -DSTAGE="$stage" -DSOURCE="$root" \
    -DOUTFILE="$out/vorlane-$version-setup-$arch.exe" dist/windows/vorlane.nsi
done
ls -l "$out"/vorlane-*-windows-*.zip "$out"/vorlane-*-setup-*.exe
