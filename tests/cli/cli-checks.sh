# The checks and card files the command line's end-to-end scripts share; sourced inside the
# private mount namespace, with PROGRAM naming vorlane-cli and WORK the folder of card files.
dev() { cat "$WORK/$1.dev"; }
entry() { basename "$(dev "$1")"; }
# The drive list sees these cards' loop devices as removable, in this namespace only.
read_as_removable() {  # CARD...
  mount --make-rprivate /
  echo 1 >"$WORK/removable"
  local card
  for card in "$@"; do
    mount --bind "$WORK/removable" "$(realpath "/sys/block/$(entry "$card")")/removable"
  done
}

checks=0 failures=0
pass() { echo "ok: $*"; checks=$((checks + 1)); }
fail() { echo "FAILED: $*"; checks=$((checks + 1)) failures=$((failures + 1)); }
# Runs the program; its exit code in $rc, its output in out and err.
cli() { "$PROGRAM" "$@" >out 2>err </dev/null; rc=$?; }
expect_rc() {
  if [ "$rc" = "$1" ]; then pass "$2 (exit $rc)"; else
    fail "$2: exit $rc, expected $1"
    sed 's/^/  out: /' out
    sed 's/^/  err: /' err
  fi
}
expect_in() {
  if grep -qF -- "$2" "$1"; then pass "$1 says: $2"; else
    fail "$1 lacks: $2"
    sed "s/^/  $1: /" "$1"
  fi
}
# The closing line and the exit status.
finish_checks() {
  if [ "$failures" = 0 ]; then echo "all $checks checks hold"; else echo "$failures of $checks checks FAILED"; fi
  [ "$failures" = 0 ]
}

le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16)); }
# A PCM WAV file of the given total length: a 44-byte header, then random samples.
make_wav() {  # PATH LENGTH CHANNELS RATE BITS
  local path=$1 length=$2 channels=$3 rate=$4 bits=$5
  local frame=$((channels * bits / 8))
  {
    printf RIFF; le32 $((length - 8)); printf 'WAVEfmt '; le32 16
    le16 1; le16 "$channels"; le32 "$rate"; le32 $((rate * frame)); le16 "$frame"; le16 "$bits"
    printf data; le32 $((length - 44))
    head -c $((length - 44)) /dev/urandom
  } >"$path"
}

# The card as it must end up: zeros, the test pattern at sector 8190, and each file padded with
# 0x80 to one sector past the sectors its length covers.
place_segment() {
  local image=$1 file=$2 sector=$3 length
  length=$(stat -c %s "$file")
  local bytes=$(((length / 512 + (length % 512 ? 1 : 0) + 1) * 512))
  { cat "$file"; head -c $((bytes - length)) /dev/zero | tr '\0' '\200'; } |
    dd of="$image" bs=512 seek="$sector" conv=notrunc status=none
}
expected_card() {  # IMAGE SIZE [SEGMENT1_FILE] [SEGMENT2_FILE]
  local k
  for ((k = 0; k < 512; k++)); do printf "\\x$(printf %02x $(((k + 1) % 256)))"; done >pattern
  rm -f "$1"
  truncate -s "$2" "$1"
  dd if=pattern of="$1" bs=512 seek=8190 conv=notrunc status=none
  [ -z "${3:-}" ] || place_segment "$1" "$3" 8192
  [ -z "${4:-}" ] || place_segment "$1" "$4" 839680
}
