#!/usr/bin/env bash
# setup.exe with no archive beside it, started by its full path from another
# directory: the English error box "Sorry, no files to install!" titled
# "Error", no install dialog, exit code 0. A directory named like an archive
# does not count as one.
# Arguments: BUILD_DIR (the Windows tree) SOURCE_DIR.
source "$(dirname "$0")/lib/common.bash"
gui_begin startup_no_archive "$1" "$2"

start_setup() {   # from the build tree, not from the distribution directory
  (cd "$build" && exec "$run" "$work/setup.exe") &
  setup_pid=$!
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
  check_line "$layout: English error box" "BOX title=Error text=Sorry, no files to install!" "$out"
  no_dialog "$layout: no dialog"
  end_status; check_line "$layout: exit code" "0" "$status"
done

gui_end
