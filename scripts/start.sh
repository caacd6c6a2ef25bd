#!/usr/bin/env bash
# Installs what is missing, builds Vorlane (optimised) and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DVORLANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build/release" --target vorlane
exec "$root/build/release/window/vorlane"
