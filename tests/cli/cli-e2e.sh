#!/usr/bin/env bash
# End to end: the real vorlane-cli on real block devices (loop devices over card images in RAM)
# that the drive list sees as removable, as several card readers would be. Checks every card's
# bytes after writing three at once, verification and its failure, read, info, a card that
# fails among others, and each refusal that must leave every card untouched.
#
#   cli-e2e.sh PROGRAM        exit 77: skipped (needs root, loop devices, private mounts)
set -uo pipefail
skip() { echo "skipped: $*"; exit 77; }

if [ "${1:-}" != --inside ]; then
  program=$(realpath "$1")
  [ "$(id -u)" = 0 ] || skip "needs root"
  for tool in losetup unshare mount cmp; do command -v "$tool" >/dev/null || skip "no $tool"; done
  . "$(dirname "$0")/../support/private-mounts.sh"
  require_private_mounts
  work=$(mktemp -d /dev/shm/vorlane-cli-e2e-XXXXXX)
  loops=()
  cleanup() {
    local loop
    for loop in "${loops[@]}"; do losetup -d "$loop"; done
    rm -rf "$work"
  }
  trap cleanup EXIT
  # Six cards: A, B, C, E as large as both segments need, D ending at 100 MiB (before segment
  # 2), W write-protected, and N, a block device that is not removable.
  for card in A B C E D W N; do
    size=420M readonly=
    [ "$card" = D ] && size=100M
    [ "$card" = W ] && readonly=--read-only
    truncate -s "$size" "$work/$card.img"
    loop=$(losetup -f --show $readonly "$work/$card.img" 2>/dev/null) || skip "no loop device"
    loops+=("$loop")
    echo "$loop" >"$work/$card.dev"
  done
  # Inside a private mount namespace the loop devices (but N) read as removable; nothing
  # outside sees it.
  PROGRAM=$program WORK=$work unshare -m "$0" --inside
  exit
fi

mount --make-rprivate /
echo 1 >"$WORK/removable"
for card in A B C E D W; do
  mount --bind "$WORK/removable" "$(realpath "/sys/block/$(basename "$(cat "$WORK/$card.dev")")")/removable"
done
. "$(dirname "$0")/cli-checks.sh"
cd "$WORK"

make_wav one.wav 300001 2 44100 16
make_wav two.wav 100000 1 8000 8
expected_card both.expected 420M one.wav two.wav
truncate -s 420M blank.expected
same_bytes() { cmp -s "$1" "$2" && pass "$3" || fail "$3"; }

echo "== write: both segments to three cards at once =="
cli write --yes -1 one.wav -2 two.wav "$(entry A)" "$(dev B)" "$(entry C)"
expect_rc 0 "write to three cards"
for card in A B C; do
  same_bytes "$card.img" both.expected "card $card holds the test sector and both segments, nothing else"
  expect_in out "$(entry "$card"): 已成功写入SD卡! (verified)"
done
expect_in out "$(entry B): segment 2: verified"

echo "== verify =="
cli verify -1 one.wav -2 two.wav "$(entry A)" "$(entry B)" "$(entry C)"
expect_rc 0 "verify three written cards"
# One byte changed behind the device: segment 1's sector 100, seen through the loop device.
printf '\x5a' | dd of=B.img bs=1 seek=$(((8192 + 100) * 512 + 7)) conv=notrunc status=none
cli verify -1 one.wav -2 two.wav "$(entry A)" "$(entry B)" "$(entry C)"
expect_rc 1 "verify with one byte changed on card B"
expect_in out "$(entry B): 测试SD卡失败! (segment 1), verification failed at sector 8292"
expect_in err "$(dev B): verifying segment 1: the card differs from the file's image at sector 8292"
expect_in out "$(entry A): verified"
expect_in out "$(entry C): verified"

echo "== read =="
cli read -1 "$(entry A)" back1.wav
expect_rc 0 "read segment 1"
same_bytes back1.wav one.wav "segment 1 read back byte for byte"
cli read -2 "$(dev C)" back2.wav
same_bytes back2.wav two.wav "segment 2 read back byte for byte"
cli read -2 "$(entry A)" back1.wav
expect_rc 2 "read refuses to replace an existing file"
same_bytes back1.wav one.wav "the existing file is untouched"
cli read -2 "$(entry A)" back1.wav --force
expect_rc 0 "read --force replaces it"
same_bytes back1.wav two.wav "the replaced file holds segment 2"
cli read -1 "$(entry E)" nothing.wav
expect_rc 1 "read from a card without a WAV file"
[ ! -e nothing.wav ] && pass "no output file from a card without a WAV file" ||
  fail "an output file from a card without a WAV file"

echo "== info =="
printf '\x00' | dd of=C.img bs=1 seek=$((839680 * 512 + 100000)) conv=notrunc status=none
cli info "$(entry A)" "$(entry C)" "$(entry E)"
expect_rc 0 "info"
expect_in out "test sector 8190: test pattern"
expect_in out "segment 1 (sector 8192): WAV file of 300001 bytes, PCM, 2 channels, 44100 Hz, 16 bits, 1.70 s, padding intact"
expect_in out "segment 2 (sector 839680): WAV file of 100000 bytes, PCM, 1 channel, 8000 Hz, 8 bits, 12.49 s, padding intact"
expect_in out "segment 2 (sector 839680): WAV file of 100000 bytes, PCM, 1 channel, 8000 Hz, 8 bits, 12.49 s, padding NOT intact"
expect_in out "test sector 8190: no test pattern"
expect_in out "segment 1 (sector 8192): no WAV file"
cli info --json "$(entry A)"
expect_in out '"declaredLength": 300001'
expect_in out '"sampleRate": 44100'
expect_in out '"testPattern": true'
expect_in out '"paddingIntact": true'

echo "== one card failing among others =="
# D ends at 100 MiB: segment 1 fits, segment 2 (at 410 MiB) does not, so nothing is written.
cli write --yes -1 one.wav -2 two.wav "$(entry E)" "$(entry D)"
expect_rc 1 "write to a good card and one that ends too early"
same_bytes E.img both.expected "the good card holds both segments"
truncate -s 100M d.expected
same_bytes D.img d.expected "the short card is refused untouched"
expect_in out "$(entry D): 测试SD卡失败! (segment 2), the card reports 104857600 bytes, segment 2 ends at byte"
expect_in out "$(entry E): 已成功写入SD卡! (verified)"
expect_in err "$(dev D): checking the card: the card reports 104857600 bytes"
cli write --yes -1 one.wav "$(entry W)"
expect_rc 1 "write to a write-protected card"
expect_in out "$(entry W): 写入SD卡失败! (segment 1)"
expect_in err "$(dev W): writing the test sector at byte 4193280"
same_bytes W.img blank.expected "the write-protected card untouched"

echo "== refusals: exit 2, nothing written =="
cp A.img a.before
cli write --yes -1 one.wav "$(entry A)" "$(dev N)"
expect_rc 2 "a block device that is not removable"
expect_in err "$(dev N): not a removable drive"
cli write --yes -1 one.wav "$(entry N)"
expect_rc 2 "a non-removable device named by its entry"
cli write --yes -1 one.wav "$(entry A)" "$(dev A)"
expect_rc 2 "the same card named twice"
cli write --yes -1 one.wav /dev/vorlane-no-such-disk
expect_rc 2 "a device path that names no drive"
[ ! -e /dev/vorlane-no-such-disk ] && pass "no file made in /dev" || fail "a file made in /dev"
printf 'RIFF\x24\x00\x00\x00WAVX' >notwav.wav
head -c 100 /dev/urandom >>notwav.wav
cli write --yes -1 notwav.wav "$(entry A)"
expect_rc 2 "a file that is not a WAV file"
expect_in err "notwav.wav: 此文件不是有效的WAV文件"
{ printf 'RIFF'; le32 419430393; printf 'WAVE'; head -c 100 /dev/zero; } >large.wav
cli write --yes -1 large.wav "$(entry A)"
expect_rc 2 "a WAV file declaring more than 400 MiB"
expect_in err "large.wav: WAV文件不能大于400M"
cli write -1 two.wav "$(entry A)"
expect_rc 2 "no terminal to confirm on and no --yes"
same_bytes A.img a.before "card A untouched by every refusal"
same_bytes N.img blank.expected "the non-removable device untouched"
if command -v script >/dev/null; then
  # A terminal: the question lists the drive, and only yes writes.
  echo n | script -qec "$PROGRAM write -1 two.wav $(entry A)" /dev/null >out 2>&1
  rc=$?
  expect_rc 2 "answering no on a terminal"
  expect_in out "$(entry A)  $(dev A)  0.4 GB"
  same_bytes A.img a.before "card A untouched after no"
  echo y | script -qec "$PROGRAM write --no-verify -1 two.wav $(entry A)" /dev/null >out 2>&1
  rc=$?
  expect_rc 0 "answering yes on a terminal"
  expect_in out "$(entry A): segment 1: written"
fi

echo "== a card image file =="
cli write -1 one.wav -2 two.wav new.img
expect_rc 0 "write to a card image that does not exist yet"
expected_card image.expected $((((839680 + 196 + 1)) * 512)) one.wav two.wav
same_bytes new.img image.expected "the new image holds both segments and ends after segment 2"
[ "$(du -k new.img | cut -f1)" -lt 2048 ] && pass "the new image is sparse" ||
  fail "the new image takes $(du -k new.img | cut -f1) KiB"

finish_checks
