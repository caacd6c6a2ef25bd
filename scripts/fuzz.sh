#!/usr/bin/env bash
# Builds the libFuzzer targets (clang 14, AddressSanitizer, UBSan) in build/fuzz and runs each
# on its seed corpus in tests/fuzz/corpus for a bounded time: 60 s by default, or the seconds
# given with --seconds N or FUZZ_SECONDS. Fails on any crash, leak, timeout or sanitizer report;
# libFuzzer then leaves the input that found it in build/fuzz/artifacts. The seeds stay as they
# are: new inputs go to build/fuzz/corpus.
#
#   scripts/fuzz.sh [--seconds N] [TARGET...]     (TARGET: card_info, wav_header, record_line, ...)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-60}
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=(card_info wav_header mountinfo uevent sysfs_text record_line)

"$root/scripts/install-deps.sh" cmake ninja-build pkg-config clang-14 libclang-rt-14-dev \
  libasound2-dev libsystemd-dev libcli11-dev nlohmann-json3-dev

build=$root/build/fuzz
cmake -S "$root" -B "$build" -G Ninja --no-warn-unused-cli -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="-O1 -g" -DVORLANE_FUZZ=ON \
  -DVORLANE_BUILD_WINDOW=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target fuzzers -j2

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
summary=()
for target in "${targets[@]}"; do
  seeds=$root/tests/fuzz/corpus/$target
  work=$build/corpus/$target
  log=$build/logs/$target.log
  mkdir -p "$work" "$build/artifacts" "$(dirname "$log")"
  echo "== fuzz_$target: $seconds s =="
  # -timeout: an input that takes 10 s is a hang; -rss_limit_mb: one that eats memory is a fault.
  if ! "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
      "$work" "$seeds" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz_$target FAILED: the input is in $build/artifacts, the log in $log" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  features=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  summary+=("$(printf '%-12s %10s runs  cov %5s  ft %6s' "$target" "$runs" "$coverage" "$features")")
done
echo "== fuzzing passed =="
printf '%s\n' "${summary[@]}"
