#!/usr/bin/env bash
# End to end: the real vorlane-cli proving cards' capacity behind write caches that ignore
# flushes. Each card is a loop device over a FUSE file that reports more than it keeps and holds
# its latest 32 MiB of writes in such a cache: F reports 1 GiB, keeps 256 MiB and folds the rest
# back over its start; P reports 2 GiB, keeps 768 MiB and drops the rest; G keeps its 1 GiB. The
# drive list sees the loop devices as removable (a private mount namespace).
#
#   capacity-e2e.sh PROGRAM FOLDING_CARD_FILE      exit 77: skipped (needs root, FUSE, loop)
set -uo pipefail
skip() { echo "skipped: $*"; exit 77; }
MiB=$((1 << 20))

make_cards() {  # FOLDING_CARD_FILE
  add_card_file "$1" F $((1024 * MiB)) $((256 * MiB)) fold $((32 * MiB)) ignore
  add_card_file "$1" P $((2048 * MiB)) $((768 * MiB)) drop $((32 * MiB)) ignore
  add_card_file "$1" G $((1024 * MiB)) $((1024 * MiB)) fold $((32 * MiB)) ignore
}
if [ "${1:-}" != --inside ]; then
  . "$(dirname "$0")/card-files.sh"
  run_inside_with_cards capacity make_cards "$0" "$@" python3
fi

. "$(dirname "$0")/cli-checks.sh"
read_as_removable F P G
cd "$WORK"
# What the card gives back for a sector, its cache included: the first four bytes, as text.
sector_starts() { dd if="$(dev "$1")" bs=512 skip="$2" count=1 iflag=direct status=none | head -c 4 | tr -d "\\0"; }
# A field of the station record of a card: record FIELD ENTRY
record() {
  python3 -c 'import json, sys
for line in open("station.log"):
    r = json.loads(line)
    if r["device"].endswith("/" + sys.argv[2]):
        v = r
        for k in sys.argv[1].split("."): v = v[k] if v is not None else None
        print(v)' "$1" "$2"
}

make_wav long.wav $((200 * MiB)) 2 44100 16
make_wav short.wav $((10 * MiB)) 1 8000 8

echo "== nothing is overwritten without a yes =="
cli check "$(entry G)"
expect_rc 2 "check without a terminal to ask on"
expect_in err "not writing to drives without confirmation"

echo "== check: a counterfeit that folds, one that drops, and a genuine card =="
cli check --yes "$(entry F)" "$(entry P)" "$(entry G)"
expect_rc 1 "check of two counterfeits and a genuine card"
expect_in out "$(entry F): 测试SD卡失败! (capacity), the card keeps fewer bytes than it reports: it keeps 268435456 of its 1073741824 bytes; writes past them fold back over its start: byte"
expect_in out "$(entry P): 测试SD卡失败! (capacity), the card keeps fewer bytes than it reports: it keeps 805306368 of its 2147483648 bytes; writes past them are dropped: byte 805306368 did not keep what was written there"
expect_in out "$(entry G): keeps every byte it reports (1073741824 bytes)"
expect_in out "$(entry G): the proof wrote"
expect_in out "; tags now in sectors 0-"
expect_in out "its record in sector 8189"

echo "== info tells the proved card from the others =="
cli info "$(entry G)" "$(entry F)"
expect_in out "capacity: proved by Vorlane"
expect_in out "capacity: not proved by Vorlane"

echo "== write --check-capacity refuses the folding card before any segment =="
cli write --yes --check-capacity -1 long.wav -2 short.wav "$(entry F)"
expect_rc 1 "write of 200 MiB and 10 MiB segments to a card keeping 256 MiB"
expect_in out "$(entry F): 测试SD卡失败! (capacity), the card keeps fewer bytes than it reports"
[ "$(sector_starts F 8192)" != RIFF ] && pass "no segment written to the refused card" ||
  fail "segment 1 was written to the refused card"

echo "== a write after the proof writes the segments, and the proof's record stays =="
cli write --yes -1 short.wav "$(entry G)"
expect_rc 0 "write to the proved card"
cli info "$(entry G)"
expect_in out "capacity: proved by Vorlane"
expect_in out "segment 1 (sector 8192): WAV file of $((10 * MiB)) bytes"

echo "== station --check-capacity: the slot shows the proof, the record holds it =="
"$PROGRAM" station --present --check-capacity -1 short.wav --log station.log --quiet \
  >station.out 2>&1 </dev/null &
station=$!
# Stopped once all three cards are recorded: F and P fail in seconds, G takes its proof and write.
for _ in $(seq 1200); do [ -s station.log ] && [ "$(wc -l <station.log)" -ge 3 ] && break; sleep 0.1; done
kill -TERM "$station"
wait "$station"
rc=$?
expect_rc 1 "station with a counterfeit card"
expect_in station.out "FAIL 测试SD卡失败! (capacity), the card keeps fewer bytes than it reports"
[ "$(record failure.step "$(entry F)")" = check ] && pass "F's record fails at step check" ||
  fail "F's record fails at step $(record failure.step "$(entry F)")"
[ "$(record check.keptBytes "$(entry F)")" = 268435456 ] && pass "F's record keeps 256 MiB" ||
  fail "F's record keeps $(record check.keptBytes "$(entry F)")"
[ "$(record result "$(entry G)")" = passed ] && pass "G passed the station" || fail "G did not pass"
[ "$(record check.keptBytes "$(entry G)")" = 1073741824 ] && pass "G's record keeps 1 GiB" ||
  fail "G's record keeps $(record check.keptBytes "$(entry G)")"

finish_checks
