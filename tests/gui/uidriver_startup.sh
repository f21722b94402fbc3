#!/usr/bin/env bash
# The real setup.exe under wine, driven through uidriver: without an archive
# it shows the English error box and ends; with INSTALLD.FIL it opens the
# German dialog with the German control texts; a profile entry "WindowPos"
# checks "already installed" and "HomePath" fills the earlier path; Cancel
# ends the program with exit code 0.
# Arguments: BUILD_DIR (the Windows tree) SOURCE_DIR.
source "$(dirname "$0")/lib/common.bash"
gui_begin uidriver_startup "$1" "$2"

start_setup() {   # runs setup.exe from the distribution directory in the background
  (cd "$build" && exec "$run" "$work/setup.exe") &
  setup_pid=$!
}

rm -rf "$work" && mkdir -p "$work"
cp "$build/installer/setup.exe" "$work/"
unset QEL_PROFILE

# 1. No archive: the English error box, then the end.
start_setup
out=$(drive answer ok 60)
check_line "no archive: error box" "BOX title=Error text=Sorry, no files to install!" "$out"
end_status; check_line "no archive: exit code" "0" "$status"

# 2. German archive: the German dialog, Cancel ends it.
echo placeholder >"$work/INSTALLD.FIL"
start_setup
drive wait "QEL Installation*" 60 >/dev/null
out=$(drive controls "QEL Installation*")
check_line "german: Install button" "CONTROL id=1 class=Button enabled=1 visible=1 checked=- text=Installieren" "$out"
check_line "german: Cancel button" "CONTROL id=2 class=Button enabled=1 visible=1 checked=- text=Abbruch" "$out"
check_line "german: not installed yet" "CONTROL id=300 class=Button enabled=1 visible=1 checked=0 text=QEL bereits installiert" "$out"
check_line "german: umlaut in 303" "CONTROL id=303 class=Button enabled=0 visible=1 checked=1 text=Vorhandene QEL-Optionen übernehmen" "$out"
check_line "german: umlaut in 105" "CONTROL id=105 class=Static enabled=1 visible=1 checked=- text=Dieses Installations-Programm enthält ein ZIP-Entpackmodul" "$out"
check_line "german: caption" "TEXT id=0 text=QEL Installation V3.07" "$(drive text "QEL Installation*")"
out=$(drive wait "class=#32770" 10 | sed 's/handle=0x[0-9a-f]* //')
check_line "german: found by class" "FOUND class=#32770 title=QEL Installation V3.07" "$out"
check_line "german: focus on the destination" "FOCUS id=307" "$(drive focus "QEL Installation*")"
drive click "QEL Installation*" 2
end_status; check_line "german: cancel ends with 0" "0" "$status"

# 3. A profile of an earlier installation: already installed, earlier path shown.
windows_dir="Z:${work//\//\\}"
printf '[Quellane ]\r\nHomePath=C:\\QELOLD\r\nWindowPos=0 0 640 480\r\n' >"$work/profile.ini"
export QEL_PROFILE="$windows_dir\\profile.ini"
start_setup
drive wait "QEL Installation*" 60 >/dev/null
out=$(drive controls "QEL Installation*")
check_line "profile: already installed" "CONTROL id=300 class=Button enabled=1 visible=1 checked=1 text=QEL bereits installiert" "$out"
check_line "profile: earlier path" "CONTROL id=302 class=Edit enabled=1 visible=1 checked=- text=c:\\qelold" "$out"
drive close "QEL Installation*"
end_status; check_line "profile: close ends with 0" "0" "$status"
unset QEL_PROFILE

gui_end
