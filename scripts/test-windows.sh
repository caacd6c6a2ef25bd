#!/usr/bin/env bash
# The Windows backend, proved on Linux: cross-builds the card, drives, window behaviour and CLI
# libraries and their tests for 32- and 64-bit Windows with mingw-w64, runs both under wine,
# then lets the real job write a card through wine's removable drive E:, whose raw volume is a
# card image file, once per architecture, and vorlane-cli.exe prove a card image's capacity,
# then write it. Installs its Debian packages where missing (32-bit wine needs Debian's i386
# architecture, added once). Build folders: build/win-i686 and build/win-x86_64 (the presets
# win-i686 and win-x86_64).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/win
cd "$root"  # where the presets are

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
"$root/scripts/install-deps.sh" cmake ninja-build googletest libcli11-dev nlohmann-json3-dev \
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine64 xvfb unzip fonts-wqy-microhei

# What could not run here, and why: said again in the run's last lines.
not_run=()
# 32-bit programs run under wine32, from Debian's i386 architecture. While the registry's i386
# lists are out of step with the amd64 ones (a mirror being synced), wine32 cannot be had at
# the versions of the amd64 libraries it shares. The architecture then comes off again, so it
# holds up no later install, and the 32-bit programs are built and checked but not run.
wine32=true
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding Debian's i386 architecture for wine32"
    "${sudo[@]}" dpkg --add-architecture i386
  fi
  if ! "$root/scripts/install-deps.sh" wine32:i386; then
    wine32=false
    not_run+=("32-bit programs under wine (the i686 tests, its drive E: jobs, both installers):"
      "  wine32:i386 could not be installed; apt's reason is printed above")
    if ! dpkg-query -W -f='${binary:Package}\n' | grep -q ':i386$'; then
      echo "Taking Debian's i386 architecture off again"
      "${sudo[@]}" dpkg --remove-architecture i386
    fi
  fi
fi

# Debian keeps wine's loaders out of PATH: wine runs 32-bit programs, wine64 64-bit ones.
declare -A loader=([i686]=/usr/lib/wine/wine [x86_64]=/usr/lib/wine/wine64)
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
# No Mono or Gecko installers, and no Linux menu entries for the Start-menu shortcuts.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

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
# The window's Chinese texts as Windows draws them: Windows links "MS Sans Serif" to a Chinese
# font and has 新宋体; here both are the Chinese font the Linux window uses. The name is not
# ASCII, so it goes in through a UTF-16 registry file, whatever the locale.
"$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
  /v "MS Sans Serif" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null
printf 'Windows Registry Editor Version 5.00\r\n\r\n%s\r\n"新宋体"="WenQuanYi Micro Hei"\r\n' \
  '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' | iconv -f UTF-8 -t UTF-16 >"$work/fonts.reg"
"$wine" regedit /S "$("$wine" winepath -w "$work/fonts.reg")"
# Wine's mount manager keeps the drives it saw at start: restart wine so it sees E: as set here.
"$wineserver" -k
"$wineserver" -w

for arch in i686 x86_64; do
  echo "== Windows $arch tests under wine =="
  if [ "$arch" = i686 ] && ! $wine32; then
    echo "not run: no 32-bit wine (see the last lines)"
    continue
  fi
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

  echo "== Windows $arch vorlane-cli.exe check, info and write --check-capacity on a card image =="
  proved="$work/proved.img"
  rm -f "$proved"
  truncate -s 1G "$proved"
  proved_w=$("$wine" winepath -w "$proved")
  head -c 100008 /dev/urandom | { printf 'RIFF\xa0\x86\x01\x00WAVE'; tail -c +13; } >"$work/proof.wav"
  cli_says() {  # TEXT ARGUMENTS...: vorlane-cli.exe's output holds TEXT
    local text=$1
    shift
    "${loader[$arch]}" "$build-$arch/cli/vorlane-cli.exe" "$@" >"$work/cli.out" 2>&1 || true
    tr -d '\r' <"$work/cli.out" >"$work/cli.txt"
    grep -qF -- "$text" "$work/cli.txt" ||
      { cat "$work/cli.out"; echo "FAILED: vorlane-cli.exe $* says no \"$text\"" >&2; exit 1; }
  }
  cli_says "keeps every byte it reports (1073741824 bytes)" check --yes --cache-size 16M "$proved_w"
  cli_says "capacity: proved by Vorlane" info "$proved_w"
  cli_says "(verified)" write --yes --check-capacity --cache-size 16M \
    -1 "$("$wine" winepath -w "$work/proof.wav")" "$proved_w"
done

# What users download: the zips hold the four files; each installer installs, installs over
# itself in place, and uninstalls, silently, in the prefix. The installers and their
# uninstallers are 32-bit programs for either architecture; the 64-bit one puts 64-bit programs
# in "Program Files" and registers them in the 64-bit registry.
"$root/scripts/package-windows.sh"
declare -A programs=([i686]="Program Files (x86)" [x86_64]="Program Files") view=([i686]=32 [x86_64]=64)
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vorlane'
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Vorlane.lnk"
fail() { echo "FAILED: $*" >&2; exit 1; }
# A program as shipped imports only Windows' own DLLs (the C++ runtime is linked in, so nothing
# needs to sit beside it) and stays small.
declare -A triple=([i686]=i686-w64-mingw32 [x86_64]=x86_64-w64-mingw32)
check_program() {  # ARCH EXE
  local dll
  while read -r dll; do
    [[ "${dll,,}" =~ ^(kernel32|user32|gdi32|comdlg32|shell32|msimg32|advapi32|msvcrt)\.dll$ ]] ||
      fail "$2 imports $dll, which Windows does not have"
  done < <("${triple[$1]}-objdump" -p "$2" | sed -n 's/^[[:space:]]*DLL Name: //p')
  [ "$(stat -c %s "$2")" -le $((8 << 20)) ] || fail "$2 is over 8 MiB"
  echo "$(basename "$2") ($1): $(stat -c %s "$2") bytes, Windows' own DLLs only"
}
registered() {  # arch: the uninstall entry's InstallLocation line, or nothing
  "$wine" reg query "$key" /v InstallLocation "/reg:${view[$1]}" 2>/dev/null |
    tr -d '\r' | sed -n '/InstallLocation/p'
}
check_installed() {  # arch: the files, the shortcut, and the uninstall entry naming their folder
  local dir="$WINEPREFIX/drive_c/${programs[$1]}/Vorlane" file
  for file in vorlane.exe vorlane-cli.exe README.txt LICENSE.txt uninstall.exe; do
    [ -f "$dir/$file" ] || fail "no $dir/$file"
  done
  [ -f "$shortcut" ] || fail "no Start-menu shortcut"
  [[ "$(registered "$1")" == *"C:\\${programs[$1]}\\Vorlane" ]] || fail "no uninstall entry"
}
for arch in i686 x86_64; do
  echo "== Windows $arch zip and installer under wine =="
  version=$(sed -n 's/.*Version = "\(.*\)";/\1/p' "$build-$arch-release/generated/vorlane/Version.h")
  zip=build/package/vorlane-$version-windows-$arch.zip
  setup=build/package/vorlane-$version-setup-$arch.exe
  dir="$WINEPREFIX/drive_c/${programs[$arch]}/Vorlane"
  [ "$(unzip -Z1 "$zip" | sort | tr '\n' ' ')" = "LICENSE.txt README.txt vorlane-cli.exe vorlane.exe " ] ||
    fail "$zip holds $(unzip -Z1 "$zip" | tr '\n' ' ')"
  # The manual is the Windows one, as Windows text: a byte-order mark and CRLF line ends.
  cmp -s <(unzip -p "$zip" README.txt) <(printf '\xef\xbb\xbf'; sed 's/$/\r/' dist/windows/README.txt) ||
    fail "$zip: README.txt is not the Windows manual as Windows text"
  for program in vorlane.exe vorlane-cli.exe; do check_program "$arch" "$build-$arch-release/stage/$program"; done
  if ! $wine32; then
    echo "not run: the installer is a 32-bit program and there is no 32-bit wine"
    continue
  fi

  "${loader[i686]}" "$setup" /S
  check_installed "$arch"
  cmp -s "$dir/README.txt" "$build-$arch-release/stage/README.txt" || fail "not the Windows manual"
  [ "$("${loader[$arch]}" "$dir/vorlane-cli.exe" --version | tr -d '\r')" = "vorlane-cli $version" ] ||
    fail "the installed vorlane-cli.exe does not run"
  # Over an older version, even when asked for another folder: the files it named are replaced.
  : >"$dir/vorlane.exe"
  "${loader[i686]}" "$setup" /S '/D=C:\Elsewhere'
  check_installed "$arch"
  cmp -s "$dir/vorlane.exe" "$build-$arch-release/stage/vorlane.exe" || fail "vorlane.exe not replaced"
  [ ! -e "$WINEPREFIX/drive_c/Elsewhere" ] || fail "a second copy in C:\Elsewhere"

  # The uninstaller runs from a copy of itself, as it does by itself in the temp folder, but
  # here waited for: _?= names the folder it uninstalls. It takes that folder unquoted, spaces
  # and all, so cmd passes the command line as written.
  cp "$dir/uninstall.exe" "$work/uninstall.exe"
  uninstaller=$("$wine" winepath -w "$work/uninstall.exe")
  "${loader[i686]}" cmd /c "$uninstaller /S _?=C:\\${programs[$arch]}\\Vorlane"
  [ ! -e "$dir" ] || fail "$dir left after uninstalling"
  [ ! -e "$shortcut" ] || fail "Start-menu shortcut left after uninstalling"
  [ -z "$(registered "$arch")" ] || fail "uninstall entry left after uninstalling"
done

if [ ${#not_run[@]} -gt 0 ]; then
  echo "Windows OK, but not run:"
  printf '  %s\n' "${not_run[@]}"
  exit 0
fi
echo "Windows OK: i686 and x86_64 tests, the window and drive E: jobs, the zips and installers passed under wine"
