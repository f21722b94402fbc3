#!/usr/bin/env bash
# The real setup.exe under wine, driven through uidriver: without an archive
# it shows the English error box and ends; with INSTALLD.FIL it opens the
# German dialog with the German control texts; a profile entry "WindowPos"
# checks "already installed" and "HomePath" fills the earlier path; Cancel
# ends the program with exit code 0.
# Arguments: BUILD_DIR (the Windows tree) SOURCE_DIR.
set -u
build=$(cd "$1" && pwd)
run="$2/cmake/wine-run"
driver="$build/tools/uidriver.exe"
work="$build/gui_work/uidriver_startup"
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

start_setup() {   # runs setup.exe from the distribution directory in the background
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

rm -rf "$work" && mkdir -p "$work"
cp "$build/installer/setup.exe" "$work/"
unset QEL_PROFILE

# 1. No archive: the English error box, then the end.
start_setup
out=$(drive answer ok 60)
check "no archive: error box" "BOX title=Error text=Sorry, no files to install!" "$out"
end_status; check "no archive: exit code" "0" "$status"

# 2. German archive: the German dialog, Cancel ends it.
echo placeholder >"$work/INSTALLD.FIL"
start_setup
drive wait "QEL Installation*" 60 >/dev/null
out=$(drive controls "QEL Installation*")
check "german: Install button" "CONTROL id=1 class=Button enabled=1 visible=1 checked=- text=Installieren" "$out"
check "german: Cancel button" "CONTROL id=2 class=Button enabled=1 visible=1 checked=- text=Abbruch" "$out"
check "german: not installed yet" "CONTROL id=300 class=Button enabled=1 visible=1 checked=0 text=QEL bereits installiert" "$out"
check "german: umlaut in 303" "CONTROL id=303 class=Button enabled=0 visible=1 checked=1 text=Vorhandene QEL-Optionen übernehmen" "$out"
check "german: umlaut in 105" "CONTROL id=105 class=Static enabled=1 visible=1 checked=- text=Dieses Installations-Programm enthält ein ZIP-Entpackmodul" "$out"
check "german: caption" "TEXT id=0 text=QEL Installation V3.07" "$(drive text "QEL Installation*")"
out=$(drive wait "class=#32770" 10 | sed 's/handle=0x[0-9a-f]* //')
check "german: found by class" "FOUND class=#32770 title=QEL Installation V3.07" "$out"
check "german: focus on the destination" "FOCUS id=307" "$(drive focus "QEL Installation*")"
drive click "QEL Installation*" 2
end_status; check "german: cancel ends with 0" "0" "$status"

# 3. A profile of an earlier installation: already installed, earlier path shown.
windows_dir="Z:${work//\//\\}"
printf '[Quellane ]\r\nHomePath=C:\\QELOLD\r\nWindowPos=0 0 640 480\r\n' >"$work/profile.ini"
export QEL_PROFILE="$windows_dir\\profile.ini"
start_setup
drive wait "QEL Installation*" 60 >/dev/null
out=$(drive controls "QEL Installation*")
check "profile: already installed" "CONTROL id=300 class=Button enabled=1 visible=1 checked=1 text=QEL bereits installiert" "$out"
check "profile: earlier path" "CONTROL id=302 class=Edit enabled=1 visible=1 checked=- text=c:\\qelold" "$out"
drive close "QEL Installation*"
end_status; check "profile: close ends with 0" "0" "$status"
unset QEL_PROFILE

[ "$failures" -eq 0 ] && echo "all passed" || echo "$failures failed"
[ "$failures" -eq 0 ]
