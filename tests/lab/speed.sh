# Both segments written to a card as fast as cards are (QEMU holds it to 20 MB/s writes, 40 MB/s
# reads), against dd writing as many bytes at the same places, 1 MiB at a time past the cache.
. "$LAB_ROOT/tests/lab/guest.sh"
# Speed is the optimised program's, where the start command has built it.
[ -x "$LAB_ROOT/build/release/cli/vorlane-cli" ] && PROGRAM=$LAB_ROOT/build/release/cli/vorlane-cli
cd "$LAB_RUN"
make_wav one.wav $((40 << 20)) 2 44100 16
make_wav two.wav $((20 << 20)) 1 22050 16
card=$(disk_in r1)
started=$(now)
cli write --yes --no-verify -1 one.wav -2 two.wav "$card"
job=$(echo "$started $(now)" | awk '{ print $2 - $1 }')
expect_rc 0 "both segments written to the card-speed card"
cli verify -1 one.wav -2 two.wav "$card"
expect_rc 0 "both segments read back from it"
started=$(now)
dd if=/dev/zero of="/dev/$card" bs=1M seek=4 count=41 oflag=direct status=none
dd if=/dev/zero of="/dev/$card" bs=1M seek=410 count=21 oflag=direct status=none
reference=$(echo "$started $(now)" | awk '{ print $2 - $1 }')
figure "$(awk -v job="$job" -v dd="$reference" 'BEGIN { printf "both segments (62 MiB) written in %.1f s; dd bs=1M oflag=direct in %.1f s: %.2f times dd", job, dd, job / dd }')"
finish_checks
