# The checks the command line's end-to-end scripts share; sourced inside the private mount
# namespace, with PROGRAM naming vorlane-cli and WORK the folder of card files.
dev() { cat "$WORK/$1.dev"; }
entry() { basename "$(dev "$1")"; }

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
