#!/usr/bin/env bash
# Installs what is missing to build and run Vorlane, builds it (optimised) and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" start
# The presets are read from the source folder; the window starts in the caller's folder.
(cd "$root" && cmake --preset release >/dev/null && cmake --build --preset release)
exec "$root/build/release/window/vorlane"
