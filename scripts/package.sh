#!/usr/bin/env bash
# Builds the Debian package, vorlane_<version>_<arch>.deb, with CPack: both programs, optimised
# and hardened with Debian's own compiler flags, and everything dist/ installs, under /usr.
# Usage: scripts/package.sh   (the package preset: the package lands in build/package)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/package
"$root/scripts/install-deps.sh" build
"$root/scripts/install-deps.sh" dpkg-dev file  # dpkg-buildflags; dpkg-shlibdeps for CPack

# The flags Debian builds its own packages with: fortified, stack-protected, PIE, full RELRO.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

cd "$root"
cmake --preset package -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build --preset package
rm -f "$build"/vorlane_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/vorlane_*.deb
