#!/usr/bin/env bash
# End to end: the real vorlane-cli on counterfeit cards. Each card is a loop device over a file
# that a small FUSE file system serves as 1 GiB while keeping less: F folds offsets past 256 MiB
# back over its start, P drops writes past 512 MiB and reads zeros there, G keeps all 1 GiB.
# The drive list sees the loop devices as removable (a private mount namespace).
#
#   counterfeit-e2e.sh PROGRAM FOLDING_CARD_FILE      exit 77: skipped (needs root, FUSE, loop, private mounts)
set -uo pipefail
skip() { echo "skipped: $*"; exit 77; }
MiB=$((1 << 20))

make_cards() {  # FOLDING_CARD_FILE
  local card_kind card kept mode
  for card_kind in F:$((256 * MiB)):fold P:$((512 * MiB)):drop G:$((1024 * MiB)):fold; do
    IFS=: read -r card kept mode <<<"$card_kind"
    add_card_file "$1" "$card" $((1024 * MiB)) "$kept" "$mode"
  done
}
if [ "${1:-}" != --inside ]; then
  . "$(dirname "$0")/card-files.sh"
  run_inside_with_cards counterfeit make_cards "$0" "$@" cmp
fi

if [ -n "${LAB_RUN:-}" ]; then
  . "$LAB_ROOT/tests/lab/guest.sh"  # the card lab's readers, their cards' files in $WORK
else
  . "$(dirname "$0")/cli-checks.sh"
  read_as_removable F P G
fi
cd "$WORK"
# Sectors of what a card kept that are not zero.
written_sectors() { cmp -l "$1" /dev/zero 2>/dev/null | awk '{ print int(($1 - 1) / 512) }' | uniq | wc -l; }

make_wav short.wav $((2 * MiB)) 1 8000 8
make_wav long.wav $((150 * MiB)) 2 44100 16

echo "== both segments onto three cards, two of them counterfeit =="
cli write --yes -1 short.wav -2 long.wav "$(entry F)" "$(entry P)" "$(entry G)"
expect_rc 1 "write to two counterfeit cards and a genuine one"
for card in F P; do
  expect_in out "$(entry "$card"): 测试SD卡失败! (segment 2), the card keeps fewer bytes than it reports"
  expect_in err "$(dev "$card"): the card keeps fewer bytes than it reports: what was written at byte"
  sectors=$(written_sectors "$card.kept")
  [ "$sectors" -le 5 ] && pass "card $card got the test sector and the probe's tags only" ||
    fail "card $card got $sectors sectors before it was refused"
done
expect_in out "$(entry G): 已成功写入SD卡! (verified)"
expected_card expected $((1024 * MiB)) short.wav long.wav
cmp -s G.kept expected && pass "the genuine card holds exactly the test sector and both segments" ||
  fail "the genuine card's bytes differ"

echo "== the folding card keeps the segment 1 it can hold =="
cli write --yes -1 short.wav "$(entry F)"
expect_rc 0 "segment 1 alone fits below the 256 MiB the card keeps"
cli write --yes -2 long.wav "$(entry F)"
expect_rc 1 "segment 2 would fold over segment 1"
cli verify -1 short.wav "$(entry F)"
expect_rc 0 "segment 1 and the test sector survive the refused segment 2"

finish_checks
