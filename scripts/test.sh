#!/usr/bin/env bash
# Installs what is missing, checks the layout, then builds and runs every test twice: a plain
# build, and one under AddressSanitizer and UndefinedBehaviorSanitizer. Tests that need root and
# loop devices skip themselves elsewhere.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

cd "$root"
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

export QT_QPA_PLATFORM=offscreen
for config in plain sanitize; do
  sanitize=OFF
  [ "$config" = sanitize ] && sanitize=ON
  echo "== $config build =="
  cmake -S "$root" -B "$root/build/$config" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DVORLANE_SANITIZE=$sanitize >/dev/null
  cmake --build "$root/build/$config"
  ctest --test-dir "$root/build/$config" --output-on-failure --timeout 300
done

# Every parser of untrusted bytes under libFuzzer, briefly: scripts/fuzz.sh alone runs a minute each.
"$root/scripts/fuzz.sh" --seconds "${FUZZ_SECONDS:-12}"

# The Windows backend: cross-built for 32- and 64-bit Windows, both tested under wine.
"$root/scripts/test-windows.sh"

# The Debian package: validated, lintian-clean, installed and run in a clean Debian 12 (root only).
if [ "$(id -u)" -eq 0 ]; then "$root/scripts/check-package.sh"; else echo "Package check skipped: needs root"; fi
