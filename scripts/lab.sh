#!/usr/bin/env bash
# The card lab: Vorlane against the Linux kernel's own SD and USB card drivers. A Debian kernel
# (downloaded as a package and extracted into build/lab, never installed) boots under QEMU
# without KVM, with the card readers users have: a built-in SD slot, a single-slot and a
# four-slot USB reader. The guest runs the build tree's programs and the project's end-to-end
# scripts from the host's root, shared read-only; each scenario's folder under build/lab/run is
# shared writable and holds its cards, what the guest printed and its exit code. The guest asks
# for cards to go in and out and readers to be unplugged; this script passes each request to
# QEMU's monitor.
#
#   scripts/lab.sh [--console] [SCENARIO...]   the scenarios of tests/lab/scenarios, or those named
#     --console   the guest's console on the terminal, as it runs
#   VORLANE_LAB_BUILD   the build folder whose programs the guest runs (default build/plain)
# Needs root (FUSE for the counterfeit card). Without QEMU or the kernel package it says so in one
# line and exits 0: the lab is then not run, and nothing else depends on it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
lab=$root/build/lab
programs=${VORLANE_LAB_BUILD:-$root/build/plain}
scenarios=$root/tests/lab/scenarios
console=false
chosen=()
for argument; do
  case $argument in
    --console) console=true ;;
    -*) echo "usage: scripts/lab.sh [--console] [SCENARIO...]" >&2; exit 2 ;;
    *) chosen+=("$argument") ;;
  esac
done
not_run() { echo "card lab not run: $*"; exit 0; }
mkdir -p "$lab"

# The tools, and the kernel from the package Debian's linux-image-amd64 currently names.
"$root/scripts/install-deps.sh" qemu-system-x86 busybox-static dosfstools mtools fdisk python3 \
  >"$lab/install.log" 2>&1 || not_run "QEMU or its helpers cannot be installed (build/lab/install.log)"
kernel_package() {
  apt-cache depends linux-image-amd64 2>/dev/null |
    sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*-amd64\)$/\1/p' | head -n 1
}
package=$(kernel_package)
[ -n "$package" ] || { apt-get update -q >/dev/null 2>&1 || true; package=$(kernel_package); }
[ -n "$package" ] || not_run "no Debian kernel package (linux-image-amd64) in the package lists"
version=${package#linux-image-}
kernel=$lab/kernel
if [ ! -f "$kernel/boot/vmlinuz-$version" ]; then
  rm -rf "$kernel" "$lab"/linux-image-*.deb
  (cd "$lab" && apt-get download -q "$package" >"$lab/download.log" 2>&1) ||
    not_run "the kernel package $package cannot be downloaded (build/lab/download.log)"
  dpkg-deb -x "$lab/${package}"_*.deb "$kernel"
  busybox depmod -b "$kernel" "$version"
fi

# The initramfs: busybox, the guest's init, and the modules that reach the host's root (9p over
# virtio, and overlay for the guest's own writes); every other module loads from that root.
stage=$lab/initramfs
rm -rf "$stage"
mkdir -p "$stage/bin" "$stage/proc" "$stage/sys" "$stage/dev" "$stage/lib/modules/$version"
cp /bin/busybox "$stage/bin/"
install -m 755 "$root/tests/lab/init" "$stage/init"
cp "$kernel/lib/modules/$version/modules.dep" "$stage/lib/modules/$version/"
for module in $(grep -E '^kernel/(fs/9p/9p|net/9p/9pnet_virtio|drivers/virtio/virtio_pci|fs/overlayfs/overlay)\.ko:' \
  "$kernel/lib/modules/$version/modules.dep" | tr -d : | tr ' ' '\n' | sort -u); do
  install -D -m 644 "$kernel/lib/modules/$version/$module" "$stage/lib/modules/$version/$module"
done
(cd "$stage" && find . | busybox cpio -o -H newc 2>/dev/null) >"$lab/initramfs.cpio"

# Processes and mounts of the scenario running now, ended and taken off whatever happens.
pids=() fuse_mounts=()
stop_scenario() {
  local pid mount
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  for mount in "${fuse_mounts[@]}"; do umount "$mount" 2>/dev/null || true; done
  pids=() fuse_mounts=()
}
trap stop_scenario EXIT

# A card as shops sell it: an MBR with one FAT32 partition from sector 8192, holding a file.
make_sold_card() {  # FILE BYTES
  truncate -s "$2" "$1"
  printf 'label: dos\nstart=8192, type=c\n' | sfdisk -q "$1"
  mkfs.vfat -F 32 -n CARD --offset 8192 "$1" $((($2 / 512 - 8192) / 2)) >/dev/null
  echo "made in the lab" | mcopy -i "$1@@$((8192 * 512))" - ::/README.TXT
}

# A counterfeit card: a FUSE file reporting REPORTED bytes over a file keeping KEPT, where writes
# past the kept bytes fold back over the start, or are dropped.
make_counterfeit_card() {  # FILE fold|drop REPORTED KEPT
  local mount=$1.mnt
  truncate -s "$4" "$1.kept"
  mkdir -p "$mount"
  "$programs/tests/cli/folding-card-file" "$1.kept" "$(bytes "$3")" "$(bytes "$4")" "$2" "$mount" &
  pids+=($!)
  fuse_mounts+=("$mount")
  for _ in $(seq 100); do [ -e "$mount/card" ] && break; sleep 0.05; done
  ln -s "$mount/card" "$1"
}
bytes() { numfmt --from=iec "$1"; }

# QEMU's options for the readers and cards of a scenario: SLOT=CARD[!FAULT] items, where SLOT is
# sd (the built-in SD slot), r1 (a single-slot USB reader), q0 to q3 (the four slots of one USB
# reader) or spare1, spare2... (a card in no reader yet, to be put in later), CARD is blank:SIZE,
# sold:SIZE, fold:REPORTED:KEPT, drop:REPORTED:KEPT or - (no card), and FAULT is
# error:SECTOR (writes there fail, as on a worn card) or slow (a card's speed: 20 MB/s writes,
# 40 MB/s reads). Card images are SLOT.img in the scenario's folder.
machine_arguments() {  # RUN ITEM...
  local run=$1 item slot card fault image drive
  shift
  machine_args=(-device qemu-xhci,id=xhci)
  disks=0  # every reader's slot is a disk, the built-in slot only with a card in
  for item; do
    slot=${item%%=*} card=${item#*=} fault=
    [[ $card == *'!'* ]] && fault=${card#*!} card=${card%%!*}
    image=$run/$slot.img drive="if=none,id=card-$slot"
    case $card in
      -) image= ;;
      blank:*) truncate -s "${card#blank:}" "$image" ;;
      sold:*) make_sold_card "$image" "$(bytes "${card#sold:}")" ;;
      fold:* | drop:*) make_counterfeit_card "$image" ${card//:/ } ;;
    esac
    case $fault in
      "") [ -z "$image" ] || drive+=",format=raw,file=$image" ;;
      slow) drive+=",format=raw,file=$image,throttling.bps-write=20000000,throttling.bps-read=40000000" ;;
      error:*)
        printf '[inject-error]\nevent = "write_aio"\nerrno = "5"\nsector = "%s"\n' "${fault#error:}" \
          >"$run/$slot.faults"
        drive+=",driver=raw,file.driver=blkdebug,file.config=$run/$slot.faults,file.image.filename=$image" ;;
    esac
    [[ $slot == spare* ]] && continue
    [ "$slot" = sd ] && [ -z "$image" ] || disks=$((disks + 1))
    machine_args+=(-drive "$drive")
    case $slot in
      sd) machine_args+=(-device sdhci-pci -device "sd-card,id=sd,drive=card-sd") ;;
      r1) machine_args+=(-device "usb-storage,id=r1,bus=xhci.0,port=1,drive=card-r1,removable=on") ;;
      q[0-3])
        [[ " ${machine_args[*]} " == *" usb-bot,"* ]] ||
          machine_args+=(-device usb-bot,id=q,bus=xhci.0,port=2)
        machine_args+=(-device "scsi-hd,id=$slot,bus=q.0,scsi-id=0,lun=${slot#q},drive=card-$slot,removable=on") ;;
      *) echo "lab: no slot $slot" >&2; return 1 ;;
    esac
  done
}

# Passes each request the guest leaves in ask/ to QEMU's monitor, and its answer back.
relay='
import glob, json, os, socket, sys, time
run = sys.argv[1]
monitor = socket.socket(socket.AF_UNIX)
for _ in range(300):
    try:
        monitor.connect(run + "/qmp.sock")
        break
    except OSError:
        time.sleep(0.1)
stream = monitor.makefile("rw")
def answer():
    while True:
        line = stream.readline()
        if not line:
            sys.exit(0)
        message = json.loads(line)
        if "return" in message or "error" in message:
            return message
def ask(command):
    stream.write(command + "\n")
    stream.flush()
    return answer()
stream.readline()
ask("{\"execute\": \"qmp_capabilities\"}")
done = set()
while True:
    for request in sorted(glob.glob(run + "/ask/*.json")):
        if request not in done:
            done.add(request)
            reply = ask(open(request).read().strip())
            with open(request + ".part", "w") as part:
                json.dump(reply, part)
            os.rename(request + ".part", request[:-5] + ".reply")
    time.sleep(0.05)
'

# Runs one scenario: its machine, then its guest step. True when the step exits 0.
run_scenario() {  # NAME MACHINE STEP
  local name=$1 machine=$2 step=$3 run=$lab/run/$1 qemu started rc
  rm -rf "$run"
  mkdir -p "$run/ask"
  machine_arguments "$run" $machine
  printf 'export LAB_ROOT=%q LAB_BUILD=%q LAB_RUN=%q LAB_DISKS=%q\ncd "$LAB_RUN"\n. %q\n' \
    "$root" "$programs" "$run" "$disks" "$root/$step" >"$run/step"
  started=$(date +%s)
  qemu-system-x86_64 -nodefaults -machine q35 -accel tcg -cpu max -smp 2 -m 2048 -display none \
    -no-reboot -kernel "$kernel/boot/vmlinuz-$version" -initrd "$lab/initramfs.cpio" \
    -append "console=ttyS0 quiet panic=-1 lab.run=$run lab.modules=$kernel/lib/modules" \
    -serial "file:$run/console.log" -qmp "unix:$run/qmp.sock,server=on,wait=off" \
    -virtfs local,path=/,mount_tag=host,security_model=none,readonly=on,multidevs=remap \
    -virtfs "local,path=$run,mount_tag=run,security_model=none,multidevs=remap" \
    "${machine_args[@]}" 2>"$run/qemu.log" &
  qemu=$!
  pids+=("$qemu")
  python3 -c "$relay" "$run" &
  pids+=($!)
  $console && { tail -F "$run/console.log" 2>/dev/null & pids+=($!); }
  # A guest that hangs fails its scenario, not the whole lab.
  { sleep "${VORLANE_LAB_TIMEOUT:-300}"; kill "$qemu" 2>/dev/null; } &
  pids+=($!)
  wait "$qemu" || true
  stop_scenario
  rc=$(cat "$run/rc" 2>/dev/null || echo "none: the guest did not finish")
  echo "== $name: exit $rc, $(($(date +%s) - started)) s =="
  sed -n 's/^figure: /  /p' "$run/guest.log" 2>/dev/null
  [ "$rc" = 0 ] && return 0
  sed 's/^/  guest: /' "$run/guest.log" 2>/dev/null | tail -n 40
  sed 's/^/  qemu: /' "$run/qemu.log"
  grep -v '^\s*$' "$run/console.log" | tail -n 20 | sed 's/^/  console: /'
  return 1
}

failed=() ran=0
while read -r name machine step; do
  [ ${#chosen[@]} -eq 0 ] || [[ " ${chosen[*]} " == *" $name "* ]] || continue
  ran=$((ran + 1))
  run_scenario "$name" "${machine//,/ }" "$step" || failed+=("$name")
done < <(grep -v -E '^\s*(#|$)' "$scenarios")
[ "$ran" -gt 0 ] || { echo "no such scenario: ${chosen[*]}" >&2; exit 2; }
if [ ${#failed[@]} -gt 0 ]; then
  echo "card lab: ${#failed[@]} of $ran scenarios FAILED: ${failed[*]}"
  exit 1
fi
echo "card lab: all $ran scenarios passed"
