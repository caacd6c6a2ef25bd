# Counterfeit cards for the end-to-end scripts: loop devices over a FUSE file that keeps fewer
# bytes than it reports (tests/support/FoldingCardFile.cpp), where it may also hold its latest
# writes in a cache. Sourced outside the private mount namespace, after skip(); card NAME keeps
# its bytes in $WORK/NAME.kept and is the loop device $WORK/NAME.dev names.
card_loops=() card_pids=() card_mounts=()

# Checks for what the cards need (skip() where something is missing), makes WORK, lets MAKE_CARDS
# make the cards from the FUSE file, runs SCRIPT again with --inside in a private mount
# namespace, with PROGRAM and WORK set, removes all it made, and exits with the script's status.
run_inside_with_cards() {  # NAME MAKE_CARDS SCRIPT PROGRAM FOLDING_CARD_FILE TOOL...
  [ "$(id -u)" = 0 ] || skip "needs root"
  [ -c /dev/fuse ] || skip "no /dev/fuse"
  local tool program folder
  for tool in losetup unshare mount umount "${@:6}"; do
    command -v "$tool" >/dev/null || skip "no $tool"
  done
  . "$(dirname "$3")/../support/private-mounts.sh"
  require_private_mounts
  program=$(realpath "$4") folder=$(realpath "$5")
  WORK=$(mktemp -d "/dev/shm/vorlane-$1-XXXXXX")
  trap 'remove_card_files; rm -rf "$WORK"' EXIT
  "$2" "$folder"
  PROGRAM=$program WORK=$WORK unshare -m "$3" --inside
  exit
}

# Detaches, unmounts and stops all that add_card_file made, by name and process id.
remove_card_files() {
  local item
  for item in "${card_loops[@]}"; do losetup -d "$item"; done
  for item in "${card_mounts[@]}"; do umount "$item" 2>/dev/null; done
  for item in "${card_pids[@]}"; do kill "$item" 2>/dev/null; wait "$item" 2>/dev/null; done
}

add_card_file() {  # FOLDING_CARD_FILE NAME REPORTED_BYTES KEPT_BYTES fold|drop [CACHE_BYTES honour|ignore]
  local folder=$1 card=$2 reported=$3 kept=$4 loop try
  shift 4
  truncate -s "$kept" "$WORK/$card.kept"
  mkdir "$WORK/$card.mnt"
  "$folder" "$WORK/$card.kept" "$reported" "$kept" "$1" "$WORK/$card.mnt" "${@:2}" &
  card_pids+=($!)
  card_mounts+=("$WORK/$card.mnt")
  for ((try = 0; try < 100; try++)); do [ -e "$WORK/$card.mnt/card" ] && break; sleep 0.05; done
  [ -e "$WORK/$card.mnt/card" ] || skip "FUSE file system did not come up"
  loop=$(losetup -f --show "$WORK/$card.mnt/card" 2>/dev/null) || skip "no loop device"
  card_loops+=("$loop")
  echo "$loop" >"$WORK/$card.dev"
}
