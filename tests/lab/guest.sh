# What the card lab's guest steps share, sourced by each: the programs, the readers by slot, and
# cards going in and out or readers being unplugged, through the host's QEMU monitor. The slots
# are the lab's (scripts/lab.sh): sd, r1 and q0 to q3.
PATH=$LAB_BUILD/cli:$PATH PROGRAM=${PROGRAM:-$LAB_BUILD/cli/vorlane-cli}
. "$LAB_ROOT/tests/cli/cli-checks.sh"

# The disk in a slot ("sda", "mmcblk0"), or nothing while the slot has none. The lab plugs the
# single-slot reader into the USB controller's port 1 and the four-slot one into port 2.
disk_in() {  # SLOT
  local path
  case $1 in
    sd) path=/sys/class/mmc_host/mmc0/mmc0:*/block/* ;;
    r1) path=/sys/bus/usb/devices/*-1:1.0/host*/target*/*:0:0:0/block/* ;;
    q*) path=/sys/bus/usb/devices/*-2:1.0/host*/target*/*:0:0:${1#q}/block/* ;;
  esac
  for path in $path; do [ -e "$path" ] && basename "$path"; done
}

# The end-to-end scripts name their cards by letter; LAB_CARDS ("R=q0 S=r1") says which slot each
# letter is. Each letter's device is in $WORK/LETTER.dev, as those scripts read it.
slot_of() {  # LETTER or SLOT
  local pair
  for pair in ${LAB_CARDS:-}; do [ "${pair%%=*}" = "$1" ] && { echo "${pair#*=}"; return; }; done
  echo "$1"
}
lend_cards() {  # LETTER=SLOT...: the cards an end-to-end script is given, in $WORK
  local pair
  export LAB_CARDS="$*"
  mkdir -p "$WORK"
  for pair; do echo "/dev/$(disk_in "${pair#*=}")" >"$WORK/${pair%%=*}.dev"; done
}
# The slot's place as the drive list names it: the reader's USB port path, ":N" for its unit N.
place() {  # LETTER or SLOT
  local path lun
  [ "$(slot_of "$1")" = sd ] && { echo mmc0; return; }
  path=$(readlink -f "/sys/block/$(disk_in "$(slot_of "$1")")")
  lun=${path##*:0:0:}
  lun=${lun%%/*}
  path=${path%%:1.0/host*}
  echo "${path##*/}$([ "$lun" = 0 ] || echo ":$lun")"
}

# Passes one command to QEMU's monitor and waits for its answer; fails on an error answer.
asks=0
qmp() {  # JSON
  local request=$LAB_RUN/ask/$BASHPID-$((asks += 1))
  printf '%s' "$1" >"$request.part" && mv "$request.part" "$request.json"
  for _ in $(seq 300); do [ -e "$request.reply" ] && break; sleep 0.1; done
  grep -q '"return"' "$request.reply" 2>/dev/null || { echo "QEMU refused $1: $(cat "$request.reply" 2>/dev/null)"; return 1; }
}
card_out() {  # SLOT
  qmp "{\"execute\": \"eject\", \"arguments\": {\"device\": \"card-$(slot_of "$1")\", \"force\": true}}"
}
card_in() {  # SLOT IMAGE: the image's path is the host's too
  qmp "{\"execute\": \"blockdev-change-medium\", \"arguments\": {\"device\": \"card-$(slot_of "$1")\", \"filename\": \"$2\", \"format\": \"raw\"}}"
}
unplug() { qmp "{\"execute\": \"device_del\", \"arguments\": {\"id\": \"$1\"}}"; }

# Waits up to 20 s for COMMAND to succeed.
wait_until() {  # COMMAND...
  for _ in $(seq 200); do "$@" && return 0; sleep 0.1; done
  return 1
}

# Seconds since the guest started, to a hundredth.
now() { cut -d' ' -f1 /proc/uptime; }
# A figure for the lab's report: printed by scripts/lab.sh whatever the outcome.
figure() { echo "figure: $*"; }

# Every reader's units have been found once the machine's disks are all there.
disks_found() { [ "$(find /sys/block -name 'sd*' -o -name 'mmcblk*' | wc -l)" -ge "$LAB_DISKS" ]; }
wait_until disks_found || echo "lab: only $(ls /sys/block) of $LAB_DISKS disks came up"
