#!/usr/bin/env bash
# Times vorlane-cli check on loop devices paced like cards by the kernel's block throttle (writes
# 20 MB/s, reads 40 MB/s, per device):
#  - counterfeits that report 8 GiB, keep 1 GiB and hold their latest 64 MiB of writes in a
#    cache that ignores flushes: one folds writes past 1 GiB back over its start, one drops them
#    (loop devices over the FUSE file of the tests, tests/support/FoldingCardFile.cpp);
#  - genuine cards of 8 GiB and 32 GiB (sparse images in RAM).
# For each, one run: the check's wall time and verdict, the bytes it wrote and read, its peak
# memory, and as the reference, dd writing the same bytes to the same device (what the pace
# alone costs). Needs root, loop devices and FUSE; the loop devices read as removable in a
# private mount namespace only.
#
#   bench/run-capacity-bench.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
paced_write_bps=20000000
paced_read_bps=40000000
MiB=$((1 << 20)) GiB=$((1 << 30))
. "$root/bench/bench-common.sh"

# One card: the check's wall time, verdict and transfers, its peak memory, and dd's time for the
# bytes it wrote.
measure_card() {  # NAME
  local dev entry out="$WORK/$1.out" start end written read
  dev=$(cat "$WORK/$1.dev")
  entry=${dev#/dev/}
  start=$(date +%s%N)
  /usr/bin/time -f %M -o "$WORK/$1.rss" "$build/cli/vorlane-cli" check --yes "$entry" \
    >"$out" 2>&1 </dev/null || true
  end=$(date +%s%N)
  written=$(sed -n 's/.*the proof wrote \([0-9.]*\) MB and read \([0-9.]*\) MB.*/\1/p' "$out")
  read=$(sed -n 's/.*the proof wrote \([0-9.]*\) MB and read \([0-9.]*\) MB.*/\2/p' "$out")
  # The summary line: what the card keeps, and where a write past it went.
  local verdict
  verdict=$(grep "^$entry: \(keeps every\|测试SD卡失败\)" "$out" | tail -1 |
    grep -o -e "keeps every byte it reports" -e "it keeps [0-9]* of its [0-9]* bytes" \
      -e "dropped" -e "byte [0-9]* lands on byte [0-9]*" | paste -sd ' ' -)
  local reference
  reference=$(wall dd if=/dev/zero of="$dev" bs=1M count=$(awk -v b="$written" \
    'BEGIN { printf "%d", b * 1e6 / 1048576 + 0.5 }') oflag=direct status=none)
  printf '%-34s %6.2f s  wrote %6s MB  read %5s MB  peak %5.1f MiB  dd %6s s  %s\n' "$2" \
    "$(awk -v ns=$((end - start)) 'BEGIN { print ns / 1e9 }')" "$written" "$read" \
    "$(tail -1 "$WORK/$1.rss" | awk '{ print $1 / 1024 }')" "$reference" "$verdict"
}

measure() {
  read_as_removable $PACED_LOOPS
  join_cgroup
  echo "== vorlane-cli check, one run per card (writes 20 MB/s, reads 40 MB/s) =="
  measure_card fold "8 GiB, keeps 1 GiB, folds, cache 64"
  measure_card drop "8 GiB, keeps 1 GiB, drops, cache 64"
  measure_card genuine8 "genuine 8 GiB"
  measure_card genuine32 "genuine 32 GiB"
}

if [ "${1:-}" = --measure ]; then
  mount --make-rprivate /
  measure
  exit
fi

[ "$(id -u)" = 0 ] || { echo "needs root: the benchmark uses loop devices and FUSE"; exit 1; }
[ -x /usr/bin/time ] || "$root/scripts/install-deps.sh" time
(cd "$root" && cmake --preset bench >/dev/null && cmake --build --preset cli-bench >/dev/null)

WORK=$(mktemp -d /dev/shm/vorlane-capacity-bench-XXXXXX)
PACED_LOOPS= CGROUP=
skip() { echo "cannot run: $*"; exit 1; }
. "$root/tests/cli/card-files.sh"
cleanup() {
  set +e  # every step, whatever one before it ran into
  remove_card_files
  [ -z "$CGROUP" ] || rmdir "$CGROUP" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
folder="$WORK/folding-card-file"
# shellcheck disable=SC2046
g++ -std=c++20 -O2 -o "$folder" "$root/tests/support/FoldingCardFile.cpp" \
  $(pkg-config --cflags --libs fuse3)
add_card_file "$folder" fold $((8 * GiB)) "$GiB" fold $((64 * MiB)) ignore
add_card_file "$folder" drop $((8 * GiB)) "$GiB" drop $((64 * MiB)) ignore
for card in genuine8:8G genuine32:32G; do
  truncate -s "${card#*:}" "$WORK/${card%%:*}.img"
  loop=$(losetup -f --show "$WORK/${card%%:*}.img")
  card_loops+=("$loop")
  echo "$loop" >"$WORK/${card%%:*}.dev"
done
PACED_LOOPS="${card_loops[*]}"
setup_cgroup vorlane-capacity-bench
export WORK PACED_LOOPS CGROUP build
unshare -m "$0" --measure
