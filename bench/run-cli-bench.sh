#!/usr/bin/env bash
# Times vorlane-cli against dd on loop devices, whole processes with their start included:
#  1. write --no-verify of a 400 MiB segment to a loop device over a RAM image (/dev/shm),
#     against dd bs=1M oflag=direct writing the same bytes to the same sectors;
#  2. verify of that segment, against dd bs=1M iflag=direct reading the same byte range. Over
#     RAM this measures the CPUs: dd has the loop device copy each byte once, verification also
#     copies the file's byte and compares the two;
#  3. four cards at once against each card alone. Loop devices over RAM are bound by the two
#     CPUs, not paced like cards; here each of four loop devices is paced like a card by the
#     kernel's block throttle (cgroup v1 blkio or v2 io.max: writes 20 MB/s, reads 40 MB/s, per
#     device), so the four share no bottleneck, as four cards in four readers would not;
#  4. verify on one such paced card against dd reading the same range;
#  5. write of both segments on one paced card: the card check before the long write, and the
#     whole write (check, both segments, one final verification pass), against the same write by
#     the vorlane-cli that VORLANE_REFERENCE_CLI names (another build), where set.
# Each figure is the median of several rounds, run in turns with its reference. Needs root
# and loop devices; the loop devices read as removable in a private mount namespace only.
#
#   bench/run-cli-bench.sh [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
build="$root/build/bench"
paced_write_bps=20000000
paced_read_bps=40000000

. "$root/bench/bench-common.sh"

measure() {
  local cli="$build/cli/vorlane-cli" ram=$RAM_LOOP wav="$WORK/max.wav" small="$WORK/paced.wav"
  echo 1 >"$WORK/removable"
  for loop in $ram $PACED_LOOPS; do
    mount --bind "$WORK/removable" "$(realpath "/sys/block/${loop#/dev/}")/removable"
  done
  local length image_bytes
  length=$(stat -c %s "$wav")
  image_bytes=$((((length + 511) / 512 + 1) * 512))  # SectorCount + 1 sectors

  echo "== 1. write --no-verify, 400 MiB segment, loop device over /dev/shm ($rounds rounds) =="
  local cli_times=() dd_times=() i
  for ((i = 0; i < rounds; i++)); do
    dd_times+=("$(wall dd if="$wav" of="$ram" bs=1M seek=4 oflag=direct status=none)")
    cli_times+=("$(wall "$cli" write --yes --no-verify -1 "$wav" "$ram")")
  done
  local cli_write dd_write
  cli_write=$(median "${cli_times[@]}")
  dd_write=$(median "${dd_times[@]}")
  echo "vorlane-cli write --no-verify: ${cli_write} s (runs: ${cli_times[*]})"
  echo "dd bs=1M oflag=direct:         ${dd_write} s (runs: ${dd_times[*]})"
  echo "ratio: $(ratio "$cli_write" "$dd_write") (at most 1.5)"

  echo "== 2. verify, the same segment ($image_bytes bytes from byte 4194304) =="
  local step_times=() verify_times=() out
  dd_times=()
  for ((i = 0; i < rounds; i++)); do
    dd_times+=("$(wall dd if="$ram" of=/dev/null bs=1M iflag=direct,skip_bytes,count_bytes \
      skip=4194304 count="$image_bytes" status=none)")
    start=$(date +%s%N)
    out=$("$cli" verify -1 "$wav" "$ram")
    end=$(date +%s%N)
    verify_times+=("$(awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }')")
    step_times+=("$(sed -n 's/.*segment 1: verified, \([0-9.]*\) s.*/\1/p' <<<"$out")")
  done
  local verify_step verify_process dd_read
  verify_step=$(median "${step_times[@]}")
  verify_process=$(median "${verify_times[@]}")
  dd_read=$(median "${dd_times[@]}")
  echo "verify step (as vorlane-cli reports it): ${verify_step} s (runs: ${step_times[*]})"
  echo "vorlane-cli verify, whole process:       ${verify_process} s (runs: ${verify_times[*]})"
  echo "dd bs=1M iflag=direct, same range:       ${dd_read} s (runs: ${dd_times[*]})"
  echo "ratio, step: $(ratio "$verify_step" "$dd_read"); whole process: $(ratio "$verify_process" "$dd_read") (at most 1.1)"

  echo "== 3. four paced cards at once, $(stat -c %s "$small") byte segment, write and verify =="
  join_cgroup
  local alone=() slowest together loop
  for loop in $PACED_LOOPS; do
    alone+=("$(wall "$cli" write --yes -1 "$small" "$loop")")
  done
  slowest=$(printf '%s\n' "${alone[@]}" | sort -g | tail -n 1)
  # shellcheck disable=SC2086
  together=$(wall "$cli" write --yes -1 "$small" $PACED_LOOPS)
  echo "each card alone: ${alone[*]} s; slowest ${slowest} s"
  echo "four at once:    ${together} s"
  echo "ratio: $(ratio "$together" "$slowest") (at most 1.1)"

  length=$(stat -c %s "$small")
  image_bytes=$((((length + 511) / 512 + 1) * 512))
  loop=${PACED_LOOPS%% *}
  echo "== 4. verify on a paced card ($image_bytes bytes, reads 40 MB/s) =="
  step_times=() dd_times=()
  for ((i = 0; i < rounds; i++)); do
    dd_times+=("$(wall dd if="$loop" of=/dev/null bs=1M iflag=direct,skip_bytes,count_bytes \
      skip=4194304 count="$image_bytes" status=none)")
    out=$("$cli" verify -1 "$small" "$loop")
    step_times+=("$(sed -n 's/.*segment 1: verified, \([0-9.]*\) s.*/\1/p' <<<"$out")")
  done
  verify_step=$(median "${step_times[@]}")
  dd_read=$(median "${dd_times[@]}")
  echo "verify step:                 ${verify_step} s (runs: ${step_times[*]})"
  echo "dd bs=1M iflag=direct, same: ${dd_read} s (runs: ${dd_times[*]})"
  echo "ratio: $(ratio "$verify_step" "$dd_read") (at most 1.1)"

  echo "== 5. both segments on a paced card: the card check, and the whole write =="
  make_wav "$WORK/second.wav" 8388608
  local checks=() writes=() references=()
  for ((i = 0; i < rounds; i++)); do
    start=$(date +%s%N)
    out=$("$cli" write --yes -1 "$small" -2 "$WORK/second.wav" "$loop")
    end=$(date +%s%N)
    writes+=("$(awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }')")
    checks+=("$(sed -n 's/.*card: checked, \([0-9.]*\) s.*/\1/p' <<<"$out")")
    [ -z "${VORLANE_REFERENCE_CLI:-}" ] ||
      references+=("$(wall "$VORLANE_REFERENCE_CLI" write --yes -1 "$small" -2 "$WORK/second.wav" "$loop")")
  done
  local whole
  whole=$(median "${writes[@]}")
  echo "card check:        $(median "${checks[@]}") s (runs: ${checks[*]}; under 2)"
  echo "whole write:       ${whole} s (runs: ${writes[*]})"
  if [ -n "${VORLANE_REFERENCE_CLI:-}" ]; then
    echo "reference write:   $(median "${references[@]}") s (runs: ${references[*]})"
    echo "ratio: $(ratio "$whole" "$(median "${references[@]}")") (at most 1.05)"
  fi
}

if [ "${1:-}" = --measure ]; then
  rounds=$2
  mount --make-rprivate /
  measure
  exit
fi

[ "$(id -u)" = 0 ] || { echo "needs root: the benchmark uses loop devices"; exit 1; }
(cd "$root" && cmake --preset bench >/dev/null && cmake --build --preset cli-bench >/dev/null)

WORK=$(mktemp -d /dev/shm/vorlane-cli-bench-XXXXXX)
RAM_LOOP= PACED_LOOPS= CGROUP=
cleanup() {
  local loop
  for loop in $RAM_LOOP $PACED_LOOPS; do losetup -d "$loop" || true; done
  [ -z "$CGROUP" ] || rmdir "$CGROUP" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
make_wav "$WORK/max.wav" 419430400
make_wav "$WORK/paced.wav" 83886080
truncate -s 420M "$WORK/ram.img"
RAM_LOOP=$(losetup -f --show "$WORK/ram.img")
for card in 1 2 3 4; do
  truncate -s 420M "$WORK/paced$card.img"
  PACED_LOOPS="$PACED_LOOPS $(losetup -f --show "$WORK/paced$card.img")"
done
PACED_LOOPS=${PACED_LOOPS# }
setup_cgroup vorlane-cli-bench
export WORK RAM_LOOP PACED_LOOPS build VORLANE_REFERENCE_CLI
unshare -m "$0" --measure "$rounds"
