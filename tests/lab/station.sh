# The station on real readers. The end-to-end script's cards go in turn into a slot of the
# four-slot reader, which stays plugged in, and into the single-slot reader. Then cards in at
# start (--present), a card swapped in the built-in slot and its identity in the record, and a
# reader unplugged in the middle of a write while another card goes on.
. "$LAB_ROOT/tests/lab/guest.sh"
export WORK=$LAB_RUN/e2e PROGRAM=$LAB_BUILD/cli/vorlane-cli
lend_cards R=q0 S=r1
bash "$LAB_ROOT/tests/cli/station-e2e.sh" --inside && pass "the station's end-to-end script" ||
  fail "the station's end-to-end script"
cd "$LAB_RUN"
records() { [ -s "$1" ] && wc -l <"$1" || echo 0; }
wait_for_records() {  # LOG N
  for _ in $(seq 600); do [ "$(records "$1")" -ge "$2" ] && return 0; sleep 0.1; done
  fail "$1: no record of card $2"
}
field() { python3 -c 'import json, sys; print(eval("r" + sys.argv[1], {"r": json.loads(sys.stdin.readline())}))' "$1"; }
station() {  # LOG FILE: a station writing FILE to the cards in the readers, stopped by stop_station
  "$PROGRAM" station -1 "$2" --present --log "$1" --quiet >"$1.out" 2>&1 &
  station=$!
}
stop_station() { kill -TERM "$station"; wait "$station"; rc=$?; }

# Takes the slot's card out, puts IMAGE in, and gives the time until the station starts on it.
shown_since() { tail -n +"$(($1 + 1))" present.log.out | grep -q "^$2"; }  # LINE TEXT
swap_timed() {  # SLOT IMAGE
  local slot=$1 shown started from
  shown=$(place "$slot")
  from=$(wc -l <present.log.out)
  card_out "$slot"
  wait_until shown_since "$from" "$shown .*waiting"
  from=$(wc -l <present.log.out)
  started=$(now)
  card_in "$slot" "$2"
  wait_until shown_since "$from" "$shown .*checking the card"
  figure "$slot: the station starts on a card $(echo "$started $(now)" | awk '{ print $2 - $1 }') s after it goes in"
}

echo "== cards in at start, cards swapped in the built-in slot and in a reader =="
make_wav small.wav 300001 2 44100 16
station present.log small.wav
wait_for_records present.log 4
truncate -s 512M sd-second.img r1-second.img
swap_timed sd "$LAB_RUN/sd-second.img"
swap_timed r1 "$LAB_RUN/r1-second.img"
wait_for_records present.log 6
sleep 1.5  # a card left in is not written again
stop_station
expect_rc 0 "four cards in at start and two swapped in, all passed"
[ "$(records present.log)" = 6 ] && pass "six cards, six records" || fail "$(records present.log) records"
sd=$(grep '"slot":"mmc0"' present.log | tail -n 1)
[ -n "$(field '["card"]["cid"]' <<<"$sd")" ] && pass "the built-in slot's record holds the card's CID" ||
  fail "no CID in the built-in slot's record: $sd"
[ "$(grep -c '"slot":"mmc0"' present.log)" = 2 ] && pass "the swapped card is written once" ||
  fail "the built-in slot was written $(grep -c '"slot":"mmc0"' present.log) times"

echo "== a reader unplugged in the middle of a write =="
card_out sd
card_out q0
make_wav large.wav $((3 << 20)) 2 44100 16
qmp '{"execute": "block_set_io_throttle", "arguments": {"device": "card-r1", "bps": 0, "bps_rd": 0,
  "bps_wr": 1000000, "iops": 0, "iops_rd": 0, "iops_wr": 0}}'
station unplug.log large.wav
reader=$(place r1) beside=$(place q1)
wait_until grep -q "^$reader .*writing segment 1" unplug.log.out || fail "the reader's card never started"
unplug r1
wait_for_records unplug.log 2
stop_station
expect_rc 1 "a station with a card whose reader went away"
[ "$(grep "\"slot\":\"$beside\"" unplug.log | field '["result"]')" = passed ] &&
  pass "the card beside it passed" || fail "the card beside it: $(cat unplug.log)"
[ "$(grep "\"slot\":\"$reader\"" unplug.log | field '["result"]')" = failed ] &&
  pass "the unplugged reader's card failed" || fail "the unplugged reader's card: $(cat unplug.log)"
finish_checks
