#!/usr/bin/env bash
# Builds the benchmark (optimised) and runs it on a loop device over a 420 MiB image in RAM
# (/dev/shm), or on the image itself where loop devices are not available (not root). The WAV
# file is in RAM too, so the figures are the job's and the device's, not a disk's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
(cd "$root" && cmake --preset bench >/dev/null && cmake --build --preset bench >/dev/null)

image=$(mktemp /dev/shm/vorlane-bench-card-XXXXXX)
# Allocated up front: the first writer into a sparse tmpfs file would pay for its pages.
fallocate -l 420M "$image"
target="$image"
if [ "$(id -u)" = 0 ] && loop=$(losetup -f --show "$image" 2>/dev/null); then target="$loop"; fi
cleanup() { [ "$target" != "$image" ] && losetup -d "$target"; rm -f "$image"; }
trap cleanup EXIT
"$build/bench/vorlane_bench" "$target"
