#!/usr/bin/env bash
# Checks Vorlane as a desktop application: validates the menu entry and the AppStream metainfo,
# builds the Debian package (scripts/package.sh) and runs lintian on it, then installs it with
# apt-get into a clean Debian 12 root, not the build machine, and runs both programs there.
#
# The clean root is a throw-away overlay over a minimal Debian 12 made once with debootstrap and
# kept in $VORLANE_CHROOT_CACHE (default /var/cache/vorlane-chroot), together with apt's lists
# and downloaded packages: the first run takes a few minutes more, later runs reuse it. Every
# mount it makes is undone on exit, also when a check fails. Needs root.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${VORLANE_CHROOT_CACHE:-/var/cache/vorlane-chroot}
mirror=${VORLANE_DEBIAN_MIRROR:-http://deb.debian.org/debian}
build=$root/build/package

[ "$(id -u)" -eq 0 ] || { echo "check-package.sh: run as root (it builds a chroot)" >&2; exit 1; }
"$root/scripts/install-deps.sh" desktop-file-utils appstream lintian debootstrap dpkg-dev file

step() { echo "== $* ($SECONDS s) =="; }

step "menu entry and metainfo"
desktop-file-validate "$root/dist/org.vorlane.Vorlane.desktop"
appstreamcli validate --no-net "$root/dist/org.vorlane.Vorlane.metainfo.xml"

step "package"
"$root/scripts/package.sh"
package=$(ls "$build"/vorlane_*.deb)
version=$(dpkg-deb -f "$package" Version)
contents=$(mktemp -d)
mounts=()
window=
cleanup() {
  local status=$? index
  [ -z "$window" ] || kill "$window" 2>/dev/null || true
  for ((index = ${#mounts[@]} - 1; index >= 0; index--)); do
    umount "${mounts[index]}" 2>/dev/null || umount -l "${mounts[index]}" || status=1
  done
  # Never delete through a mount that is still there (the apt caches, /proc).
  if findmnt -rn -o TARGET | grep -q "^$contents/"; then
    echo "left $contents: something is still mounted there" >&2
  else
    rm -rf "$contents"
  fi
  exit $status
}
trap cleanup EXIT
trap "exit 143" TERM INT HUP  # a stopped run cleans up too

# The installed tree as a software centre sees it: entry, metainfo and icon found together.
dpkg-deb -x "$package" "$contents"
appstreamcli validate-tree --no-net "$contents"
# The release notes must name the version the package carries.
grep -q "<release version=\"$version\"" "$contents/usr/share/metainfo/org.vorlane.Vorlane.metainfo.xml" ||
  { echo "metainfo has no release $version" >&2; exit 1; }
[[ "$(zcat "$contents/usr/share/doc/vorlane/changelog.gz")" == "vorlane ($version) "* ]] ||
  { echo "changelog does not start with $version" >&2; exit 1; }
expected=(
  bin/vorlane bin/vorlane-cli
  share/man/man1/vorlane.1.gz share/man/man1/vorlane-cli.1.gz
  share/applications/org.vorlane.Vorlane.desktop
  share/icons/hicolor/scalable/apps/org.vorlane.Vorlane.svg
  share/icons/hicolor/48x48/apps/org.vorlane.Vorlane.png
  share/doc/vorlane/copyright
  share/doc/vorlane/examples/50-vorlane-card-writers.rules.example
)
for file in "${expected[@]}"; do
  [ -f "$contents/usr/$file" ] || { echo "package lacks /usr/$file" >&2; exit 1; }
done

step "lintian"
lintianStatus=0
lintian --fail-on error,warning --info "$package" >"$contents/lintian.log" 2>&1 || lintianStatus=$?
grep -v '^running with root privileges' "$contents/lintian.log" || true
[ "$lintianStatus" -eq 0 ] || { echo "lintian reports errors or warnings" >&2; exit 1; }

# One run at a time: the base and apt's caches are shared.
mkdir -p "$cache/apt-archives/partial" "$cache/apt-lists/partial"
exec 9>"$cache/lock"
flock 9

if [ ! -e "$cache/bookworm/.complete" ]; then
  step "clean Debian 12 root (debootstrap, once)"
  # An interrupted debootstrap may have left its /proc or /sys mounted inside: off first.
  { findmnt -rn -o TARGET | grep "^$cache/bookworm" || true; } | sort -r | xargs -r -n 1 umount -l
  rm -rf "$cache/bookworm" "$cache/bookworm.new"
  debootstrap --variant=minbase bookworm "$cache/bookworm.new" "$mirror" >"$cache/debootstrap.log" ||
    { tail -n 20 "$cache/debootstrap.log" >&2; exit 1; }
  cat >"$cache/bookworm.new/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
EOF
  touch "$cache/bookworm.new/.complete"
  mv "$cache/bookworm.new" "$cache/bookworm"
fi

step "install in a clean root"
# The base stays untouched: this run's changes land in an upper layer thrown away at the end.
mkdir "$contents/upper" "$contents/work" "$contents/root"
chroot=$contents/root
mount -t overlay overlay \
  -o "lowerdir=$cache/bookworm,upperdir=$contents/upper,workdir=$contents/work" "$chroot"
mounts+=("$chroot")
mount -t proc proc "$chroot/proc"
mounts+=("$chroot/proc")
mount --bind "$cache/apt-archives" "$chroot/var/cache/apt/archives"
mounts+=("$chroot/var/cache/apt/archives")
mount --bind "$cache/apt-lists" "$chroot/var/lib/apt/lists"
mounts+=("$chroot/var/lib/apt/lists")
cp /etc/resolv.conf "$chroot/etc/resolv.conf"
install -m 644 "$package" "$chroot/tmp/"
install -d -m 700 "$chroot/run/user/0"  # Qt wants a private runtime folder

in_root() {
  chroot "$chroot" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    XDG_RUNTIME_DIR=/run/user/0 "$@"
}
in_root apt-get update -qq
# Without recommended packages: what Depends names alone must make both programs run.
in_root sh -c "cd /tmp && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
  --no-install-recommends ./$(basename "$package")" >"$contents/apt.log" 2>&1 ||
  { tail -n 30 "$contents/apt.log" >&2; exit 1; }

step "both programs in the clean root"
expect() {
  local wanted=$1 got
  shift
  got=$(in_root "$@") || { echo "$* failed" >&2; exit 1; }
  echo "$got"
  [ "$got" = "$wanted" ] || { echo "expected \"$wanted\" from $*" >&2; exit 1; }
}
expect "vorlane-cli $version" vorlane-cli --version
# The window names itself by its program file, first character as it stands: "vorlane".
expect "vorlane $version" QT_QPA_PLATFORM=offscreen vorlane --version
# The window's Chinese texts need a CJK font from the package's dependencies.
[ -n "$(in_root fc-list :lang=zh-cn family)" ] || { echo "no Chinese font installed" >&2; exit 1; }
# A real start: the window comes up and stays up (with no card it waits in its first message).
chroot "$chroot" env -i PATH=/usr/bin:/bin LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
  XDG_RUNTIME_DIR=/run/user/0 vorlane >"$contents/vorlane.log" 2>&1 &
window=$!  # chroot and env replace themselves, so this is the program's own process
sleep 5
if ! kill -0 "$window" 2>/dev/null; then
  wait "$window" || true
  window=
  cat "$contents/vorlane.log" >&2
  echo "vorlane did not stay up in the clean root" >&2
  exit 1
fi
kill "$window"
wait "$window" 2>/dev/null || true
window=

step "package OK: $(basename "$package") validated, lintian-clean, installed and run on Debian 12"
