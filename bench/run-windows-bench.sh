#!/usr/bin/env bash
# The Windows programs as shipped (scripts/package-windows.sh builds them): their sizes and the
# packages' sizes, then write --no-verify of a 400 MiB segment by vorlane-cli.exe under wine
# against the Linux vorlane-cli (preset bench) writing the same file to the same card image, on
# this machine, in turns, whole processes with their start included. Under wine the card is
# drive E:, set up as scripts/test-windows.sh does (a removable drive whose raw volume "\\.\E:"
# is the image), and, for comparison, the image file named directly. The image and the WAV file
# are in /dev/shm, so the figures are the programs' and wine's, not a disk's.
#
#   bench/run-windows-bench.sh [ROUNDS]   (after scripts/package-windows.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

. "$root/bench/bench-common.sh"

echo "== sizes in bytes, as shipped =="
for arch in i686 x86_64; do
  stage=$root/build/win-$arch-release/stage
  [ -f "$stage/vorlane.exe" ] || { echo "no $stage: run scripts/package-windows.sh first"; exit 1; }
  for file in "$stage/vorlane.exe" "$stage/vorlane-cli.exe" "$root"/build/package/vorlane-*-"$arch".*; do
    printf '%-40s %9d\n' "$(basename "$file") ($arch)" "$(stat -c %s "$file")"
  done
done

(cd "$root" && cmake --preset bench >/dev/null && cmake --build --preset cli-bench >/dev/null)
linux_cli=$root/build/bench/cli/vorlane-cli
windows_cli=$root/build/win-x86_64-release/stage/vorlane-cli.exe

work=$(mktemp -d /dev/shm/vorlane-windows-bench-XXXXXX)
export WINEPREFIX="$work/prefix"
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
make_wav "$work/max.wav" 419430400
image=$work/card.img
truncate -s 420M "$image"
"$wine" wineboot -i >/dev/null 2>&1
mkdir "$work/drive-e"
ln -s "$work/drive-e" "$WINEPREFIX/dosdevices/e:"
ln -s "$image" "$WINEPREFIX/dosdevices/e::"
"$wine" reg add 'HKLM\Software\Wine\Drives' /v e: /d floppy /f >/dev/null
"$wineserver" -k
"$wineserver" -w
wav_w=$("$wine" winepath -w "$work/max.wav")
image_w=$("$wine" winepath -w "$image")

echo "== write --no-verify, 400 MiB segment, image in /dev/shm ($rounds rounds) =="
linux=() drive_e=() image_file=() startup=()
for ((i = 0; i < rounds; i++)); do
  linux+=("$(wall "$linux_cli" write --yes --no-verify -1 "$work/max.wav" "$image")")
  drive_e+=("$(wall "$wine" "$windows_cli" write --yes --no-verify -1 "$wav_w" E:)")
  image_file+=("$(wall "$wine" "$windows_cli" write --yes --no-verify -1 "$wav_w" "$image_w")")
  startup+=("$(wall "$wine" "$windows_cli" --version)")
done
echo "Linux vorlane-cli, the image:          $(median "${linux[@]}") s (runs: ${linux[*]})"
echo "vorlane-cli.exe (x86_64), drive E:     $(median "${drive_e[@]}") s (runs: ${drive_e[*]})"
echo "vorlane-cli.exe (x86_64), image file:  $(median "${image_file[@]}") s (runs: ${image_file[*]})"
echo "vorlane-cli.exe --version, wine's start: $(median "${startup[@]}") s (runs: ${startup[*]})"
echo "ratio, drive E: $(ratio "$(median "${drive_e[@]}")" "$(median "${linux[@]}")"); image file: $(ratio "$(median "${image_file[@]}")" "$(median "${linux[@]}")") (at most 1.5)"
