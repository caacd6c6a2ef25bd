#!/usr/bin/env bash
# Times vorlane-cli station on four loop devices that read as removable readers, each paced like
# a card by the kernel's block throttle (writes 20 MB/s, reads 40 MB/s, per device). A card goes
# in when an image is attached to a reader, and the reader sends its uevent.
#  1. from a card's arrival (the attach) to the first sector written on it, as the device's own
#     write count shows it; then on to its record, the card written and verified: one card alone;
#  2. four cards arriving together: the last one's record, against one card alone;
#  3. what the record costs a card: the bytes of its line, and the time of the log's open, write,
#     fsync and close, as strace times them, with the log on this machine's disk.
# Needs root and loop devices; the loop devices read as removable in a private mount namespace.
#
#   bench/run-station-bench.sh [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
build="$root/build/bench"
paced_write_bps=20000000
paced_read_bps=40000000
. "$root/bench/bench-common.sh"

now() { date +%s%N; }
seconds_between() { awk -v ns=$(($2 - $1)) 'BEGIN { printf "%.3f", ns / 1e9 }'; }
writes_on() { awk '{ print $5 }' "/sys/block/${1#/dev/}/stat"; }
card_in() {  # READER IMAGE
  losetup "$1" "$2"
  echo change >"/sys/block/${1#/dev/}/uevent"
}
card_out() {
  losetup -d "$1"
  echo change >"/sys/block/${1#/dev/}/uevent"
}
records() { [ -s "$LOG" ] && wc -l <"$LOG" || echo 0; }
wait_for_records() { while [ "$(records)" -lt "$1" ]; do sleep 0.01; done; }

start_station() {  # STATION_ARGUMENTS...
  "$build/cli/vorlane-cli" station -1 "$WORK/card.wav" --log "$LOG" --quiet "$@" \
    >"$WORK/station.out" 2>&1 &
  STATION=$!
  until grep -q "waiting for cards" "$WORK/station.out"; do sleep 0.05; done
}
stop_station() { kill -TERM "$STATION"; wait "$STATION" || true; }

measure() {
  read_as_removable $PACED_LOOPS
  local loop
  local readers=($PACED_LOOPS) first=${PACED_LOOPS%% *} i
  join_cgroup
  start_station

  echo "== 1. one card alone: arrival to first sector, and to its record ($rounds rounds) =="
  local starts=() alone=() before t0 t1
  for ((i = 1; i <= rounds; i++)); do
    before=$(writes_on "$first")
    t0=$(now)
    card_in "$first" "$WORK/card$i.img"
    while [ "$(writes_on "$first")" = "$before" ]; do :; done
    t1=$(now)
    starts+=("$(seconds_between "$t0" "$t1")")
    wait_for_records "$i"
    alone+=("$(seconds_between "$t0" "$(now)")")
    card_out "$first"
  done
  echo "arrival to first sector: $(median "${starts[@]}") s (runs: ${starts[*]}; under 0.5)"
  echo "arrival to record:       $(median "${alone[@]}") s (runs: ${alone[*]})"

  echo "== 2. four cards arriving together =="
  t0=$(now)
  for i in 0 1 2 3; do card_in "${readers[$i]}" "$WORK/together$i.img"; done
  wait_for_records $((rounds + 4))
  local last
  last=$(seconds_between "$t0" "$(now)")
  echo "last record: ${last} s after the first arrival"
  echo "ratio to one card alone: $(ratio "$last" "$(median "${alone[@]}")") (at most 1.1)"
  for loop in $PACED_LOOPS; do card_out "$loop"; done
  stop_station
  grep -q "failed 0" "$WORK/station.out" || { echo "a card failed:"; cat "$WORK/station.out"; }

  echo "== 3. the record's cost per card (log on $(df --output=source "$(dirname "$LOG")" | tail -1)) =="
  local bytes lines
  bytes=$(wc -c <"$LOG")
  lines=$(records)
  echo "bytes per record: $((bytes / lines)) ($lines records, $bytes bytes)"
  strace -f -qq -T -e trace=openat,write,fsync,close -o "$WORK/trace" \
    "$build/cli/vorlane-cli" station -1 "$WORK/card.wav" --log "$LOG" --quiet --count "$rounds" \
    >"$WORK/station.out" 2>&1 &
  STATION=$!
  until grep -q "waiting for cards" "$WORK/station.out"; do sleep 0.05; done
  for ((i = 1; i <= rounds; i++)); do
    card_in "$first" "$WORK/card$i.img"
    wait_for_records $((lines + i))
    card_out "$first"
  done
  wait "$STATION" || true
  # The log's descriptor: from its open to its close, every call on it, summed per record.
  awk -v path="$LOG" '
    function took() { d = $NF; gsub(/[<>]/, "", d); return d + 0 }
    /openat\(/ && index($0, "\"" path "\"") {
      split($0, parts, "= "); split(parts[2], words, " "); fd = words[1]; open = 1; t = took(); next
    }
    open && $0 ~ ("(write\\(" fd ",|fsync\\(" fd "\\))") { t += took() }
    open && $0 ~ ("close\\(" fd "\\)") { t += took(); times[++n] = t; open = 0 }
    END { for (i = 1; i <= n; i++) s = s " " sprintf("%.4f", times[i]); print n, s }' \
    "$WORK/trace" | {
    read -r n runs
    echo "record time (open, write, fsync, close): $(median $runs) s median of $n (runs: $runs)"
  }
}

if [ "${1:-}" = --measure ]; then
  rounds=$2
  mount --make-rprivate /
  measure
  exit
fi

[ "$(id -u)" = 0 ] || { echo "needs root: the benchmark uses loop devices"; exit 1; }
command -v strace >/dev/null || "$root/scripts/install-deps.sh" strace
(cd "$root" && cmake --preset bench >/dev/null && cmake --build --preset cli-bench >/dev/null)

WORK=$(mktemp -d /dev/shm/vorlane-station-bench-XXXXXX)
LOG=$(mktemp /var/tmp/vorlane-station-bench-XXXXXX.log)
PACED_LOOPS= CGROUP=
cleanup() {
  local loop
  for loop in $PACED_LOOPS; do losetup -d "$loop" 2>/dev/null || true; done
  [ -z "$CGROUP" ] || rmdir "$CGROUP" 2>/dev/null || true
  rm -rf "$WORK" "$LOG"
}
trap cleanup EXIT
make_wav "$WORK/card.wav" 41943040
for i in $(seq "$rounds"); do truncate -s 420M "$WORK/card$i.img"; done
for i in 0 1 2 3; do truncate -s 420M "$WORK/together$i.img"; done
# Four readers: loop devices taken now, then emptied; each keeps its throttle while empty.
for reader in 1 2 3 4; do
  truncate -s 1M "$WORK/placeholder$reader"
  PACED_LOOPS="$PACED_LOOPS $(losetup -f --show "$WORK/placeholder$reader")"
done
PACED_LOOPS=${PACED_LOOPS# }
setup_cgroup vorlane-station-bench
for loop in $PACED_LOOPS; do losetup -d "$loop"; done
export WORK LOG PACED_LOOPS CGROUP build
unshare -m "$0" --measure "$rounds"
