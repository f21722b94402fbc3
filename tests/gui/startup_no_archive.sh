#!/usr/bin/env bash
# setup.exe with no archive beside it, started by its full path from another
# directory: the English error box "Sorry, no files to install!" titled
# "Error", no install dialog, exit code 0. A directory named like an archive
# does not count as one.
# Arguments: BUILD_DIR (the Windows tree) SOURCE_DIR.
set -u
build=$(cd "$1" && pwd)
run="$2/cmake/wine-run"
driver="$build/tools/uidriver.exe"
work="$build/gui_work/startup_no_archive"
failures=0

check() {   # check DESCRIPTION EXPECTED-LINE OUTPUT
  if grep -qxF -- "$2" <<<"$3"; then
    echo "ok   $1"
  else
    echo "FAIL $1: expected line: $2"
    echo "     got:"; sed 's/^/       /' <<<"$3"
    failures=$((failures + 1))
  fi
}

drive() { (cd "$build" && "$run" "$driver" "$@"); }

start_setup() {   # from the build tree, not from the distribution directory
  (cd "$build" && exec "$run" "$work/setup.exe") &
  setup_pid=$!
}

end_status() {    # waits for setup.exe (at most 60 seconds) and sets $status
  for _ in $(seq 600); do
    kill -0 "$setup_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$setup_pid" 2>/dev/null; then
    kill "$setup_pid"; status=timeout; return
  fi
  wait "$setup_pid"; status=$?
}

no_dialog() {     # the dialog must not appear: waiting for it fails
  if drive wait "QEL Install*" 3 >/dev/null 2>&1; then
    echo "FAIL $1: the install dialog appeared"
    failures=$((failures + 1))
    drive close "QEL Install*" >/dev/null 2>&1
  else
    echo "ok   $1"
  fi
}

rm -rf "$work" && mkdir -p "$work"
cp "$build/installer/setup.exe" "$work/"
unset QEL_PROFILE

for layout in "nothing" "a directory named INSTALL.FIL"; do
  [ "$layout" = "nothing" ] || mkdir -p "$work/INSTALL.FIL"
  start_setup
  out=$(drive answer ok 60)
  check "$layout: English error box" "BOX title=Error text=Sorry, no files to install!" "$out"
  no_dialog "$layout: no dialog"
  end_status; check "$layout: exit code" "0" "$status"
done

[ "$failures" -eq 0 ] && echo "all passed" || echo "$failures failed"
[ "$failures" -eq 0 ]
