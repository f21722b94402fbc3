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

# Starts setup.exe from its distribution directory $work with its output in
# $work/stdout-TAG.log and stderr-TAG.log, and waits for $dialog.
start_setup_logged() {   # start_setup_logged TAG
  (cd "$work" && exec "$run" "$work/setup.exe" >"$work/stdout-$1.log" 2>"$work/stderr-$1.log") &
  setup_pid=$!
  drive wait "$dialog" 120 >/dev/null || fail "dialog did not open"
}

# Answers boxes until the documents question (answered No) or the end of
# setup.exe; questions get Yes, other boxes OK. The texts go to $boxes, one a line.
answer_boxes() {
  boxes=""
  local line text
  while kill -0 "$setup_pid" 2>/dev/null; do
    line=$(drive box 5 2>/dev/null) || continue
    text=${line#*text=}
    [ -n "$text" ] || { sleep 0.2; continue; }
    boxes+="$text"$'\n'
    case "$text" in
      *"README.DOC, etc."*) drive answer no >/dev/null; return ;;
      *\?) drive answer yes >/dev/null ;;
      *) drive answer ok >/dev/null ;;
    esac
  done
}

gui_end() {
  if [ "$failures" -eq 0 ]; then echo "all passed"; else echo "$failures failed"; fi
  [ "$failures" -eq 0 ]
}
