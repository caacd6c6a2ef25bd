#!/usr/bin/env bash
# Installs what is missing, checks the layout, builds and checks what the start command starts,
# then builds and runs every test twice: a plain build, and one under AddressSanitizer and
# UndefinedBehaviorSanitizer. Tests that need root and loop devices skip themselves elsewhere.
# Then the Windows backend under wine and the Debian package, unless --linux-only (a quick local
# run). Warnings are errors where CI is set.
#   scripts/test.sh [--linux-only]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
linuxOnly=false
case "${1:-}" in
  "") ;;
  --linux-only) linuxOnly=true ;;
  *) echo "usage: scripts/test.sh [--linux-only]" >&2; exit 2 ;;
esac
"$root/scripts/install-deps.sh" test

cd "$root"
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

# What the README's start command does, up to starting the window: the same build, and both
# programs where it will start them.
echo "== start command =="
"$root/scripts/start.sh" --check

export QT_QPA_PLATFORM=offscreen
for preset in plain sanitize; do
  echo "== $preset build =="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

if $linuxOnly; then
  echo "Linux builds OK; card lab, fuzzing, Windows backend and package checks skipped (--linux-only)"
  exit 0
fi

# The card lab: both programs on the Linux kernel's own SD and USB card drivers, in a virtual
# machine (root only: it serves counterfeit cards through FUSE).
if [ "$(id -u)" -eq 0 ]; then "$root/scripts/lab.sh"; else echo "Card lab skipped: needs root"; fi

# Every parser of untrusted bytes under libFuzzer, briefly: scripts/fuzz.sh alone runs a minute each.
"$root/scripts/fuzz.sh" --seconds "${FUZZ_SECONDS:-12}"

# The Windows backend: cross-built for 32- and 64-bit Windows, both tested under wine.
"$root/scripts/test-windows.sh"

# The Debian package: validated, lintian-clean, installed and run in a clean Debian 12 (root only).
if [ "$(id -u)" -eq 0 ]; then "$root/scripts/check-package.sh"; else echo "Package check skipped: needs root"; fi
