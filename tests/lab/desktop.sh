# The desktop's path to a card as shops sell it: the system bus, udevd, polkit and udisks run as
# on a desktop; udisks mounts the card's FAT for a user; the window, run by that user, takes the
# FAT off through the disk service and writes both segments to the card's partition. The file
# system is then as clean as before and its file reads back: the segments took free sectors.
# Last, with udevd polling the reader as desktops have it, the station writes a card swapped in
# the reader, which stays plugged in.
. "$LAB_ROOT/tests/lab/guest.sh"
cd "$LAB_RUN"
mkdir -p /run/dbus
dbus-daemon --system --fork
/lib/systemd/systemd-udevd --daemon
udevadm trigger --action=add
udevadm settle
useradd --create-home --user-group desk
cat >/etc/polkit-1/rules.d/49-lab.rules <<'RULE'
polkit.addRule(function(action, subject) {
  if (action.id.indexOf("org.freedesktop.udisks2.") == 0 && subject.user == "desk")
    return polkit.Result.YES;
});
RULE
/usr/libexec/udisks2/udisksd --no-debug >udisksd.log 2>&1 &
card=/dev/$(disk_in r1)1
fsck.vfat -n "$card" >fsck.before 2>&1 && pass "the card's FAT is clean to start with" ||
  fail "the card's FAT: $(cat fsck.before)"
dd if="$card" of=/tmp/card.before bs=1M iflag=direct status=none
wait_until setpriv --reuid=desk --regid=desk --init-groups udisksctl mount -b "$card" >mounted 2>&1
expect_in mounted "Mounted $card at"

VORLANE_E2E_CARD=$card VORLANE_E2E_USER=desk VORLANE_E2E_BEFORE=/tmp/card.before \
  bash "$LAB_ROOT/tests/window/qt/write-card-e2e.sh" "$LAB_BUILD/window/qt/vorlane" &&
  pass "the window wrote both segments to the mounted card's partition" ||
  fail "the window's end-to-end script"
grep -q "$card" /proc/mounts && fail "the FAT is still mounted" || pass "the FAT came off"
fsck.vfat -n "$card" >fsck.after 2>&1
cmp -s fsck.before fsck.after && pass "the FAT is as clean as before" ||
  fail "the FAT changed: $(diff fsck.before fsck.after)"
[ "$(mtype -i "$card" ::README.TXT 2>/dev/null)" = "made in the lab" ] && pass "the card's file reads back" ||
  fail "the card's file is lost"

echo "== with udevd running, a card swapped in a reader that stays plugged in is written =="
make_wav small.wav 300001 2 44100 16
"$PROGRAM" station -1 small.wav --log swap.log --quiet >swap.out 2>&1 &
station=$!
sleep 2  # the card in at start is left alone
card_out r1
card_in r1 "$LAB_RUN/spare1.img"
for _ in $(seq 300); do [ -s swap.log ] && break; sleep 0.1; done
kill -TERM "$station"
wait "$station"
rc=$?
expect_rc 0 "the station after the swap"
grep -q '"result":"passed"' swap.log && pass "the swapped card is written and passed" ||
  fail "no passed record of the swapped card: $(cat swap.log swap.out)"
finish_checks
