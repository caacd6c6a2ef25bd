#!/usr/bin/env bash
# End to end: the real program under Xvfb, on a real block device (a loop device over a card
# image) that the drive list sees as removable, driven by simulated clicks and typing. The
# program starts without a card ("没找到可移动磁盘"); the card then arrives with a kernel event
# and must be selected without the drive list being opened. It writes one WAV file to segment
# 1 and another to segment 2; the card image must then hold the test pattern at sector 8190,
# both segment images, and nothing else.
#
# In the card lab (tests/lab) the card is a real one, already in its reader and alone in the
# list: VORLANE_E2E_CARD names its volume. VORLANE_E2E_USER runs the program as that desktop
# user, who reaches the card through the disk service. Whatever else the card held stays: as it
# is now, or as the image VORLANE_E2E_BEFORE holds it (a file system mounted now is marked in
# use, and taken off it is marked clean again); the script writes into that image.
#
#   write-card-e2e.sh PROGRAM        exit 77: skipped (needs root, loop devices, private mounts, Xvfb, xdotool)
set -euo pipefail
program=$(realpath "$1")
skip() { echo "skipped: $*"; exit 77; }
[ "$(id -u)" = 0 ] || skip "needs root"
for tool in Xvfb xdotool losetup unshare; do command -v "$tool" >/dev/null || skip "no $tool"; done
card=${VORLANE_E2E_CARD:-}
. "$(dirname "$0")/../../support/private-mounts.sh"
require_private_mounts
# The card must be the only removable drive: the program selects whatever arrives first.
for flag in /sys/block/*/removable; do
  [ -n "$card" ] || [ "$(cat "$flag")" = 0 ] || skip "a removable drive is present: $(dirname "$flag")"
done

work=$(mktemp -d /var/tmp/vorlane-e2e-XXXXXX)
loop=
cleanup() { [ -n "$loop" ] && losetup -d "$loop"; rm -rf "$work"; }
trap cleanup EXIT
expected="$work/expected.img"
if [ -n "${VORLANE_E2E_BEFORE:-}" ]; then
  expected=$VORLANE_E2E_BEFORE
elif [ -n "$card" ]; then
  dd if="$card" of="$expected" bs=1M iflag=direct status=none
else
  card="$work/card.img"
  truncate -s 420M "$card" "$expected"
  loop=$(losetup -f --show "$card" 2>/dev/null) || skip "no loop device"
fi
as_user=()
if [ -n "${VORLANE_E2E_USER:-}" ]; then
  chmod 755 "$work"
  as_user=(setpriv --reuid="$VORLANE_E2E_USER" --regid="$VORLANE_E2E_USER" --init-groups
           env HOME="$(getent passwd "$VORLANE_E2E_USER" | cut -d: -f6)")
fi

# A WAV file of the given total length with random samples after its 12-byte header.
make_wav() {
  local path=$1 length=$2 size=$(($2 - 8))
  printf 'RIFF' >"$path"
  printf "\\x$(printf %02x $((size & 255)))\\x$(printf %02x $((size >> 8 & 255)))" >>"$path"
  printf "\\x$(printf %02x $((size >> 16 & 255)))\\x$(printf %02x $((size >> 24 & 255)))" >>"$path"
  printf 'WAVE' >>"$path"
  head -c $((length - 12)) /dev/urandom >>"$path"
}
make_wav "$work/one.wav" 300001
make_wav "$work/two.wav" 100000

# The card as it must end up: as it was, with the test pattern, and each file padded with 0x80 to
# one sector past the sectors its length covers.
for ((k = 0; k < 512; k++)); do printf "\\x$(printf %02x $(((k + 1) % 256)))"; done >"$work/pattern"
dd if="$work/pattern" of="$expected" bs=512 seek=8190 conv=notrunc status=none
place_segment() {
  local file=$1 sector=$2 length
  length=$(stat -c %s "$file")
  local image=$(((length / 512 + (length % 512 ? 1 : 0) + 1) * 512))
  { cat "$file"; head -c $((image - length)) /dev/zero | tr '\0' '\200'; } |
    dd of="$expected" bs=512 seek="$sector" conv=notrunc status=none
}
place_segment "$work/one.wav" 8192
place_segment "$work/two.wav" 839680

# Inside a private mount namespace the loop device reads as removable once the card is "put
# in"; nothing outside sees it.
export PROGRAM=$program WORK=$work LOOP=$loop CARD=$card EXPECTED=$expected AS_USER="${as_user[*]}"
unshare -m bash -euo pipefail -c '
  mount --make-rprivate /
  echo 1 >"$WORK/removable"

  # Xvfb takes a free display itself and names it on descriptor 3 once it accepts clients, so no
  # client has to probe it; -noreset keeps it up as clients come and go (without it, an Xvfb has
  # been seen to end as its first client left, and the program then found no display).
  Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$WORK/display" \
    >/dev/null 2>&1 &
  xvfb=$!
  trap "kill $xvfb 2>/dev/null || true" EXIT
  for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
  [ -s "$WORK/display" ] || { echo "Xvfb did not start"; exit 1; }
  export DISPLAY=:$(cat "$WORK/display") QT_QPA_PLATFORM=xcb
  $AS_USER "$PROGRAM" >"$WORK/program.log" 2>&1 &
  program=$!
  trap "kill $program $xvfb 2>/dev/null || true; sed \"s/^/  program: /\" \"\$WORK/program.log\"" EXIT
  if [ -n "$LOOP" ]; then
    # Started without a card: the box says so before the window opens; Enter closes it.
    box=$(timeout 20 xdotool search --sync --onlyvisible --class vorlane | head -n 1)
    eval "$(xdotool getwindowgeometry --shell "$box")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) sleep 0.3 key Return
  fi
  window=$(timeout 20 xdotool search --sync --onlyvisible --name "V1\.0$" | head -n 1)

  if [ -n "$LOOP" ]; then
    # The card goes in: the kernel announces it, and the list follows on its own.
    mount --bind "$WORK/removable" "$(realpath /sys/block/${LOOP#/dev/})/removable"
    echo add >"/sys/block/${LOOP#/dev/}/uevent"
    sleep 1
  fi
  read -r left top < <(xdotool getwindowgeometry "$window" | sed -n "s/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p")
  click() { xdotool mousemove $((left + $1)) $((top + $2)) click 1; sleep 0.2; }

  # Until the bytes of the given sectors on the card match what is expected.
  wait_for_sectors() {
    for _ in $(seq 100); do
      cmp -s <(dd if="$CARD" bs=512 skip=$1 count=$2 status=none) \
             <(dd if="$EXPECTED" bs=512 skip=$1 count=$2 status=none) && return 0
      sleep 0.2
    done
    echo "sectors $1+$2 never arrived"; return 1
  }
  dialog_open() { [ "$(xdotool search --onlyvisible --class vorlane | wc -l)" -ge 2 ]; }
  # Clicks an Open button until its dialog shows (the buttons stay locked until a job has
  # ended), types the file name into it and waits for it to close.
  open_file() {
    for _ in $(seq 20); do
      click "$1" "$2"
      for _ in $(seq 20); do dialog_open && break 2; sleep 0.25; done
    done
    dialog_open || { echo "no open dialog"; return 1; }
    sleep 0.3
    xdotool type --delay 5 "$3"
    xdotool key Return
    for _ in $(seq 40); do dialog_open || return 0; sleep 0.25; done
    echo "the open dialog did not close"; return 1
  }

  open_file 56 33 "$WORK/one.wav"                 # segment 1: Open
  click 288 33                                    # segment 1: Write
  wait_for_sectors 8192 588
  open_file 56 121 "$WORK/two.wav"                # segment 2: Open
  click 288 121                                   # segment 2: Write
  wait_for_sectors 839680 197
'
cmp <(dd if="$card" bs=1M iflag=direct status=none) "$expected"
echo "card holds the test sector and both segments, and what it held before"
