#!/usr/bin/env bash
# Times vorlane-cli report on station logs made up by the station's own formatter: 1,000,000
# records in one log, and the same number in four stations' logs merged by time; wall time, CPU
# time and peak memory of each, as /usr/bin/time measures them, the median of ROUNDS runs. Then
# the chain's cost per record, in time and bytes. The logs go to a folder in /tmp (about 2 GB).
#
#   bench/run-report-bench.sh [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-3}
records=1000000
build="$root/build/bench"
. "$root/bench/bench-common.sh"

"$root/scripts/install-deps.sh" build
"$root/scripts/install-deps.sh" time
cmake --preset bench >/dev/null
cmake --build --preset report-bench >/dev/null
work=$(mktemp -d /tmp/vorlane-report-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

"$build/bench/vorlane_report_bench" log "$work/one.jsonl" $records
for station in 1 2 3 4; do
  "$build/bench/vorlane_report_bench" log "$work/four-$station.jsonl" $((records / 4)) "bench-$station"
done
echo "one log: $(wc -l <"$work/one.jsonl") records, $(du -m "$work/one.jsonl" | cut -f1) MiB"

# Wall seconds, CPU seconds and peak resident MiB of one report, its output discarded. On a
# machine others share, the CPU time is the steadier figure.
measure() {
  /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$build/cli/vorlane-cli" report "$@" >/dev/null
  awk '{ printf "%s %.2f %.0f", $1, $2 + $3, $4 / 1024 }' "$work/time"
}

report() {  # TITLE ARGUMENTS...
  local title=$1 wall=() cpu=() mib=() result
  shift
  for ((i = 1; i <= rounds; i++)); do
    read -r w c m <<<"$(measure "$@")"
    wall+=("$w") cpu+=("$c") mib+=("$m")
  done
  printf '%-28s %6s s wall  %6s s CPU  %5s MiB peak  (median of %d)\n' "$title" \
    "$(median "${wall[@]}")" "$(median "${cpu[@]}")" "$(median "${mib[@]}")" "$rounds"
}

echo "== report on $records records =="
report "summary, one log" "$work/one.jsonl"
report "summary, four logs merged" "$work"/four-*.jsonl
report "--json, one log" --json "$work/one.jsonl"
report "--csv, four logs merged" --csv "$work"/four-*.jsonl
echo "== the chain's cost per record (100000 records) =="
"$build/bench/vorlane_report_bench" chain 100000
