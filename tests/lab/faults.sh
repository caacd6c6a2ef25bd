# Cards that fail on real readers: counterfeit cards (the end-to-end script's folding, dropping
# and genuine cards, each in a slot), a card whose writes fail at one sector inside segment 1
# (as a worn card answers) among good ones, written by write and by the station, and a card
# pulled out in the middle of a write.
. "$LAB_ROOT/tests/lab/guest.sh"
export WORK=/tmp/counterfeit  # scratch; what the cards keep is in $LAB_RUN
lend_cards F=sd P=q3 G=r1
for card in F:sd P:q3 G:r1; do ln -s "$LAB_RUN/${card#*:}.img.kept" "$WORK/${card%:*}.kept"; done
bash "$LAB_ROOT/tests/cli/counterfeit-e2e.sh" --inside && pass "the counterfeit cards' end-to-end script" ||
  fail "the counterfeit cards' end-to-end script"
cd "$LAB_RUN"

echo "== writes failing at sector 9000 inside segment 1, beside two good cards =="
make_wav voice.wav $((1 << 20)) 2 44100 16
worn=$(disk_in q0)
cli write --yes -1 voice.wav "$worn" "$(disk_in q1)" "$(disk_in q2)"
expect_rc 1 "write to a card that fails inside segment 1"
expect_in out "$worn: 写入SD卡失败! (segment 1)"
expect_in err "/dev/$worn: writing the segment at byte"
expect_in err ": Input/output error"
expect_in out "$(disk_in q1): 已成功写入SD卡! (verified)"
expect_in out "$(disk_in q2): 已成功写入SD卡! (verified)"

"$PROGRAM" station -1 voice.wav --present --log station.log --quiet >station.out 2>&1 &
station=$!
for _ in $(seq 600); do [ -s station.log ] && [ "$(wc -l <station.log)" = 6 ] && break; sleep 0.1; done
kill -TERM "$station"
wait "$station"
rc=$?
expect_rc 1 "the station with a worn card among five"
python3 - station.log "$(place q0)" "$(place q1)" "$(place q2)" <<'PY' && pass "the station's records" || fail "the station's records"
import json, sys
records = {r["slot"]: r for r in map(json.loads, open(sys.argv[1]))}
worn = records[sys.argv[2]]
assert worn["result"] == "failed" and worn["failure"]["step"] == "write", worn
assert worn["words"].startswith("写入SD卡失败!"), worn
for slot in sys.argv[3:]:
    assert records[slot]["result"] == "passed", records[slot]
PY

# QEMU's SD slot moves each transfer while holding the lock its monitor needs: a throttled card
# would hold off the eject to the job's end, so this card runs at the slot's own pace (about
# 13 MB/s here) and the eject lands seconds into the 200 MiB write. Should it come later, the
# read-back fails instead; either way the card never passes.
echo "== a card pulled out of the built-in slot in the middle of a write =="
truncate -s 512M pulled.img
card_out sd
card_in sd "$LAB_RUN/pulled.img"
wait_until test -e /sys/block/mmcblk0
make_wav long.wav $((200 << 20)) 2 44100 16
"$PROGRAM" write --yes -1 long.wav mmcblk0 >out 2>err &
writing=$!
sleep 1
card_out sd
wait "$writing"
rc=$?
expect_rc 1 "write to a card pulled out"
grep -q -e "^mmcblk0: 写入SD卡失败! (segment 1)" -e "^mmcblk0: 读SD卡失败! (segment 1)" out &&
  pass "the pulled card failed with the card's words" || fail "the pulled card: $(tail -1 out)"
finish_checks
