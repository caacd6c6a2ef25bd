# What the benchmark scripts share: medians and ratios, wall times, WAV files, and loop devices
# paced like cards by the kernel's block throttle. Sourced; paced_write_bps and paced_read_bps
# set the pace.

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
# Wall seconds of a command, its output discarded.
wall() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }'
}

le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16)); }
# A WAV file of the given declared length: a 44-byte PCM header, then random samples.
make_wav() {
  local path=$1 length=$2
  {
    printf RIFF; le32 $((length - 8)); printf 'WAVEfmt '; le32 16
    le16 1; le16 2; le32 44100; le32 176400; le16 4; le16 16
    printf data; le32 $((length - 44))
    head -c $((length - 44)) /dev/urandom
  } >"$path"
}

# Paces each loop device in PACED_LOOPS (writes paced_write_bps, reads paced_read_bps) for the
# processes in a new throttling group, named NAME-<pid>, in CGROUP.
setup_cgroup() {  # NAME
  local loop devs=()
  for loop in $PACED_LOOPS; do devs+=("$(cat "/sys/block/${loop#/dev/}/dev")"); done
  if [ -d /sys/fs/cgroup/blkio ]; then
    CGROUP=/sys/fs/cgroup/blkio/$1-$$
    mkdir "$CGROUP"
    for dev in "${devs[@]}"; do
      echo "$dev $paced_write_bps" >"$CGROUP/blkio.throttle.write_bps_device"
      echo "$dev $paced_read_bps" >"$CGROUP/blkio.throttle.read_bps_device"
    done
  elif grep -qw io /sys/fs/cgroup/cgroup.controllers 2>/dev/null; then
    grep -qw io /sys/fs/cgroup/cgroup.subtree_control || echo +io >/sys/fs/cgroup/cgroup.subtree_control
    CGROUP=/sys/fs/cgroup/$1-$$
    mkdir "$CGROUP"
    for dev in "${devs[@]}"; do
      echo "$dev wbps=$paced_write_bps rbps=$paced_read_bps" >"$CGROUP/io.max"
    done
  else
    echo "no block throttle (cgroup blkio or io controller) here"
    exit 1
  fi
  export CGROUP
}

# Inside a private mount namespace: the drive list sees these loop devices as removable.
read_as_removable() {  # LOOP...
  echo 1 >"$WORK/removable"
  local loop
  for loop in "$@"; do
    mount --bind "$WORK/removable" "$(realpath "/sys/block/${loop#/dev/}")/removable"
  done
}

# Puts this shell into the throttling group made by setup_cgroup.
join_cgroup() { echo $$ >"$CGROUP/cgroup.procs"; }
