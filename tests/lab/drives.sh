# The drive list and info on real readers: partitions from the card's own table, an unpartitioned
# card as one entry, empty slots, slots by USB port path, the built-in slot's card identity; and
# the list right after a card is swapped in a reader that stays plugged in, and in the SD slot.
. "$LAB_ROOT/tests/lab/guest.sh"
cd "$LAB_RUN"
list_is() {  # WHAT EXPECTED: the list's entries as "entry slot size-in-MiB card?" lines
  vorlane-cli list --json >list.json
  python3 -c '
import json, sys
for d in json.load(open("list.json")):
    print(d["entry"], d["slot"], d["sizeBytes"] >> 20, "card" if d["card"] and len(d["card"]["cid"]) == 32 else "-")
' >list.txt
  if [ "$(cat list.txt)" = "$2" ]; then pass "$1"; else fail "$1"; diff <(echo "$2") list.txt; fi
}
usb=$(place r1) usb=${usb%-*}  # the USB bus the lab's readers are on
list_is "partitioned, unpartitioned and empty cards, each slot by its place" "mmcblk0p1 mmc0 8188 card
sda $usb-1 512 -
sdb1 $usb-2 1020 -
sdc $usb-2:1 0 -"
cli info "$(disk_in sd)p1"
expect_rc 0 "info on the built-in slot's card"
expect_in out "card: CID $(cat /sys/class/mmc_host/mmc0/mmc0:*/cid)"

card_out r1
card_in r1 "$LAB_RUN/spare1.img"
card_out sd
card_in sd "$LAB_RUN/spare2.img"
wait_until test -e /sys/block/mmcblk0  # the built-in slot tells of its card by itself
list_is "the cards swapped in at once, the reader's with its partition" "mmcblk0 mmc0 512 card
sda1 $usb-1 1020 -
sdb1 $usb-2 1020 -
sdc $usb-2:1 0 -"
finish_checks
