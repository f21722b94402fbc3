# Shared by the GUI scenarios in tests/gui/: each one drives the real
# setup.exe under wine through the automation driver (uidriver.exe).
#   source "$(dirname "$0")/lib/common.bash"
#   gui_begin NAME BUILD_DIR SOURCE_DIR   # sets build, run, driver, work, drive_c
#   ... checks ...
#   gui_end                               # summary line and exit status

gui_begin() {
  set -u
  build=$(cd "$2" && pwd)
  run="$3/cmake/wine-run"
  driver="$build/tools/uidriver.exe"
  work="$build/gui_work/$1"
  drive_c="${QEL_WINEPREFIX:-$build/wineprefix}/drive_c"
  failures=0
}

pass() { echo "ok   $1"; }
fail() { echo "FAIL $1"; failures=$((failures + 1)); }

check_equal() {   # check_equal DESCRIPTION EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then pass "$1"; else fail "$1: expected [$2], got [$3]"; fi
}

check_line() {    # check_line DESCRIPTION EXPECTED-LINE OUTPUT: OUTPUT has that whole line
  if grep -qxF -- "$2" <<<"$3"; then
    pass "$1"
  else
    fail "$1: expected line: $2"
    echo "     got:"; sed 's/^/       /' <<<"$3"
  fi
}

drive() { (cd "$build" && "$run" "$driver" "$@"); }

end_status() {    # waits for setup.exe ($setup_pid, at most 60 seconds) and sets $status
  for _ in $(seq 600); do
    kill -0 "$setup_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$setup_pid" 2>/dev/null; then
    kill "$setup_pid"; status=timeout; return
  fi
  wait "$setup_pid"; status=$?
}

# Types a path into an edit of $dialog and reads it back; a field that does
# not read back as typed is cleared and typed again.
type_field() {    # type_field ID TEXT
  local attempt
  for attempt in 1 2 3; do
    drive clear "$dialog" "$1" >/dev/null 2>&1
    drive type "$dialog" "$1" "$2" >/dev/null
    [ "$(drive text "$dialog" "$1")" = "TEXT id=$1 text=$2" ] && return 0
    sleep 0.5
  done
  fail "could not type $2 into $1: $(drive text "$dialog" "$1")"
}

gui_end() {
  if [ "$failures" -eq 0 ]; then echo "all passed"; else echo "$failures failed"; fi
  [ "$failures" -eq 0 ]
}
