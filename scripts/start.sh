#!/usr/bin/env bash
# Installs what is missing to build and run Vorlane, builds both programs optimised and starts
# the window. It leaves them at build/release/window/qt/vorlane and build/release/cli/vorlane-cli.
#   scripts/start.sh            install, build, check, start the window
#   scripts/start.sh --check    install, build and check that both programs run; start nothing
#                               (the test command runs this, so what users run is what is tested)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
window=$root/build/release/window/qt/vorlane
cli=$root/build/release/cli/vorlane-cli
start=true
case "${1:-}" in
  "") ;;
  --check) start=false ;;
  *) echo "usage: scripts/start.sh [--check]" >&2; exit 2 ;;
esac

"$root/scripts/install-deps.sh" start
# The presets are read from the source folder; the window starts in the caller's folder.
(cd "$root" && cmake --preset release >/dev/null && cmake --build --preset release)

# Each program answers --version, so it is there and its libraries are found; the window's
# answer needs no display.
QT_QPA_PLATFORM=offscreen "$window" --version >/dev/null ||
  { echo "start.sh: $window does not run" >&2; exit 1; }
"$cli" --version >/dev/null || { echo "start.sh: $cli does not run" >&2; exit 1; }
if ! $start; then
  echo "Built and checked: $window and $cli"
  exit 0
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "start.sh: no desktop to show the window on; run it in a terminal of the desktop." >&2
  echo "vorlane-cli works here: $cli --help" >&2
  exit 1
fi
exec "$window"
