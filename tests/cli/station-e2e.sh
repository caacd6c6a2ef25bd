#!/usr/bin/env bash
# End to end: vorlane-cli station on two loop devices that read as removable card readers. A
# card goes in when an image is attached to a reader and comes out when it is detached; each
# time a synthetic uevent tells the station, as the kernel tells it of a real reader. Three cards
# in turn in one reader, then two at once; a card in before the start is left alone. Checks each
# card's bytes and the record, field by field, and that report finds the log whole.
#
#   station-e2e.sh PROGRAM    exit 77: skipped (needs root, loop devices, private mounts, python3)
set -uo pipefail
skip() { echo "skipped: $*"; exit 77; }

if [ "${1:-}" != --inside ]; then
  program=$(realpath "$1")
  [ "$(id -u)" = 0 ] || skip "needs root"
  for tool in losetup unshare mount cmp python3; do command -v "$tool" >/dev/null || skip "no $tool"; done
  . "$(dirname "$0")/../support/private-mounts.sh"
  require_private_mounts
  work=$(mktemp -d /dev/shm/vorlane-station-e2e-XXXXXX)
  readers=()
  cleanup() {
    local reader
    for reader in "${readers[@]}"; do losetup -d "$reader" 2>/dev/null; done
    rm -rf "$work"
  }
  trap cleanup EXIT
  # Two readers: loop devices taken now and kept in hand by a placeholder until the test starts.
  for reader in R S; do
    truncate -s 1M "$work/placeholder-$reader"
    loop=$(losetup -f --show "$work/placeholder-$reader" 2>/dev/null) || skip "no loop device"
    readers+=("$loop")
    echo "$loop" >"$work/$reader.dev"
  done
  PROGRAM=$program WORK=$work unshare -m "$0" --inside
  exit
fi

if [ -n "${LAB_RUN:-}" ]; then
  # In the card lab, R and S are slots of real readers: cards go in and out through QEMU.
  . "$LAB_ROOT/tests/lab/guest.sh"
else
  mount --make-rprivate /
  echo 1 >"$WORK/removable"
  for reader in R S; do
    mount --bind "$WORK/removable" "$(realpath "/sys/block/$(basename "$(cat "$WORK/$reader.dev")")")/removable"
  done
  . "$(dirname "$0")/cli-checks.sh"
  # A card goes in or out of a reader, and the reader tells of it.
  card_in() {  # READER IMAGE
    losetup "$(dev "$1")" "$2"
    echo change >"/sys/block/$(entry "$1")/uevent"
  }
  card_out() {  # READER
    losetup -d "$(dev "$1")" 2>/dev/null
    echo change >"/sys/block/$(entry "$1")/uevent"
  }
  place() { entry "$1"; }  # a loop device is its own slot
fi
cd "$WORK"
records() { [ -s station.log ] && wc -l <station.log || echo 0; }
wait_for_records() {  # N: waits up to 30 s for the Nth card's record
  local _
  for _ in $(seq 300); do [ "$(records)" -ge "$1" ] && return 0; sleep 0.1; done
  fail "no record of card $1 after 30 s"
  return 1
}

make_wav one.wav 300001 2 44100 16
make_wav two.wav 100000 1 8000 8
expected_card expected 420M one.wav two.wav
truncate -s 420M blank
for card in early c1 c2 c3 d1 d2; do truncate -s 420M "$card.img"; done

echo "== a card in before the start, then three cards in turn in one reader =="
card_out R && card_out S
card_in S "$PWD/early.img"
"$PROGRAM" station -1 one.wav -2 two.wav --log station.log --quiet --operator 王芳 \
  --batch B-0412 >station.out 2>station.err &
station=$!
# A station that hangs fails the test instead of holding the loop devices.
for _ in $(seq 1200); do kill -0 "$station" 2>/dev/null || exit 0; sleep 0.1; done >/dev/null &&
  kill -KILL "$station" &
for _ in $(seq 100); do grep -q "waiting for cards" station.out && break; sleep 0.1; done
for card in c1 c2 c3; do
  card_in R "$PWD/$card.img"
  wait_for_records "${card#c}"
  # Left in a while: a finished card is never written again.
  [ "$card" = c1 ] && sleep 1.5
  card_out R
done
[ "$(records)" = 3 ] && pass "three cards, three records" || fail "$(records) records for three cards"

echo "== two cards at once =="
card_out S
card_in R "$PWD/d1.img"
card_in S "$PWD/d2.img"
wait_for_records 5
# SIGTERM, as a service manager ends it (a script's background job ignores Ctrl-C's SIGINT).
kill -TERM "$station"
wait "$station"
rc=$?
expect_rc 0 "the station ends on SIGTERM with every card passed"
expect_in station.out "passed 5, failed 0, yield 100%"
for card in c1 c2 c3 d1 d2; do
  cmp -s "$card.img" expected && pass "card $card holds the test sector and both segments" ||
    fail "card $card's bytes differ"
done
cmp -s early.img blank && pass "the card in before the start is untouched" ||
  fail "the card in before the start was written"

echo "== the record =="
python3 - station.log "$(place R)" "$(place S)" "$(dev R)" "$(dev S)" "$(sha256sum one.wav | cut -c1-64)" \
  "$(sha256sum two.wav | cut -c1-64)" <<'PY' && pass "each record holds its card's fields" || fail "the record"
import json, re, sys
log, reader_r, reader_s, device_r, device_s, sha1, sha2 = sys.argv[1:]
lines = open(log, encoding="utf-8").read().splitlines()
assert len(lines) == 5, lines
slots = []
for line in lines:
    r = json.loads(line)
    assert re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ", r["time"]), r["time"]
    assert r["host"] and r["version"], r
    assert r["operator"] == "王芳" and r["batch"] == "B-0412", r
    assert r["device"] == {reader_r: device_r, reader_s: device_s}[r["slot"]], r
    assert r["sizeBytes"] == 420 * 2**20, r
    assert r["result"] == "passed" and r["words"] == "已成功写入SD卡! (verified)", r
    assert r["failure"] is None and r["card"] is None, r
    assert [(s["segment"], s["file"], s["declaredLength"], s["sha256"]) for s in r["segments"]] == \
        [(1, "one.wav", 300001, sha1), (2, "two.wav", 100000, sha2)], r["segments"]
    assert r["write"]["bytes"] == r["verify"]["bytes"] == 300544 + 100864, r
    assert r["write"]["seconds"] > 0 and r["write"]["megabytesPerSecond"] > 0, r
    slots.append(r["slot"])
assert slots[:3] == [reader_r] * 3 and sorted(slots[3:]) == sorted([reader_r, reader_s]), slots
PY

echo "== the report =="
cli report station.log
expect_rc 0 "report finds every line a record and the chain whole"
expect_in out "station.log: 5 records, chain intact"
expect_in out "all: 5 cards: 5 passed"
finish_checks
