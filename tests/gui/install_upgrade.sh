#!/usr/bin/env bash
# End to end on the real setup.exe: upgrades from fake earlier installations.
# 1. Keyed options file of version 3.00 with absolute and relative paths: the
#    data directories follow (the absolute one outside stays), options,
#    scripts and phone book are carried over, the options file names the
#    chosen directories.
# 2. Path file of version 2.07: the beta question comes on Install; after Yes
#    the legacy file names are mapped on the way (QELPATH.DAT arrives as
#    standard.qpa, QEL.KEY as standard.qky).
# Arguments: BUILD_DIR (the Windows tree) SOURCE_DIR.
source "$(dirname "$0")/lib/common.bash"
gui_begin install_upgrade "$1" "$2"
dialog="QEL Install*"
export QEL_PROFILE='C:\windows\QEL-GUI-NONE.INI'   # no earlier installation noted

rm -rf "$work" "$drive_c/UPG-OLD" "$drive_c/UPG-NEW" "$drive_c/UPG-DATA" "$drive_c/UPG-OLD2" "$drive_c/UPG-NEW2"
mkdir -p "$work"
cp "$build/installer/setup.exe" "$work/"
python3 - "$work" <<'PY'
import os, sys, zipfile
work = sys.argv[1]
files = {
    "QEL.EXE": b"program",
    "OPTIONS/STANDARD.QPA": b'QPA3.07\nDownloadPath="DOWNLOAD"\nUploadPath="UPLOAD"\nCapturePath="LOG"\nScriptPath="SCRIPT"\nOptsPath="OPTIONS"\n',
    "SCRIPT/QELEVENT.QRX": b"new event\n",
    "LOG/dummy.tmp": b"",
}
with zipfile.ZipFile(os.path.join(work, "INSTALL.FIL"), "w", zipfile.ZIP_DEFLATED) as archive:
    for name, data in files.items():
        archive.writestr(name, data)
PY

# --- 1. keyed options file of version 3.00 -----------------------------------------
old="$drive_c/UPG-OLD"
mkdir -p "$old/OPTIONS" "$old/SCRIPT/MINE" "$drive_c/UPG-DATA/DL"
printf 'QPA3.00\nDownloadPath="C:\\UPG-DATA\\DL"\nUploadPath="UPLOAD"\nCapturePath="LOG"\nScriptPath="SCRIPT"\nOptsPath="OPTIONS"\nTerminal="ANSI"\n' >"$old/OPTIONS/STANDARD.QPA"
printf 'user keys\n' >"$old/OPTIONS/STANDARD.QKY"
printf 'my script\n' >"$old/SCRIPT/MINE/A.QRX"
printf 'old phone book\n' >"$old/PHONEBK"

start_setup_logged keyed
drive click "$dialog" 300 >/dev/null
type_field 302 'C:\UPG-OLD'
type_field 307 'C:\UPG-NEW'
check_equal "download directory outside stays" 'TEXT id=319 text=C:\UPG-DATA\DL' "$(drive text "$dialog" 319)"
check_equal "upload directory follows" 'TEXT id=318 text=C:\UPG-NEW\UPLOAD' "$(drive text "$dialog" 318)"
drive click "$dialog" 1 >/dev/null
answer_boxes
check_equal "installation complete" "All files processed - installation complete (QEL was added to your start menu)" "$(sed -n 1p <<<"$boxes")"
end_status; check_equal "keyed upgrade ends with 0" "0" "$status"
new="$drive_c/UPG-NEW"
check_equal "options carried over" "user keys" "$(cat "$new/OPTIONS/STANDARD.QKY" 2>/dev/null)"
check_equal "scripts carried over" "my script" "$(cat "$new/SCRIPT/MINE/A.QRX" 2>/dev/null)"
check_equal "phone book carried over" "old phone book" "$(cat "$new/PHONEBK" 2>/dev/null)"
check_equal "converted options file" 'QPA3.00
DownloadPath="C:\UPG-DATA\DL"
UploadPath="UPLOAD"
CapturePath="LOG"
ScriptPath="SCRIPT"
OptsPath="OPTIONS"
Terminal="ANSI"' "$(tr -d '\r' <"$new/OPTIONS/STANDARD.QPA" 2>/dev/null)"

# --- 2. path file of version 2.07 (a beta) -------------------------------------------
old="$drive_c/UPG-OLD2"
mkdir -p "$old/OPTIONS" "$old/SCRIPT"
printf 'QEL2.07\nDOWNLOAD\nx\nUPLOAD\nx\nLOG\nSCRIPT\nOPTIONS\n' >"$old/OPTIONS/QELPATH.DAT"
printf 'old keys\n' >"$old/OPTIONS/QEL.KEY"
printf 'old event\n' >"$old/SCRIPT/QELEVENT.CMD"

start_setup_logged beta
drive click "$dialog" 300 >/dev/null
type_field 302 'C:\UPG-OLD2'
type_field 307 'C:\UPG-NEW2'
drive click "$dialog" 1 >/dev/null
line=$(drive answer yes 30)
check_equal "beta question" "BOX title=Information text=You are about to upgrade from a beta-version.  This is *NOT* recommended.^M^MDo you REALLY want to proceed?" "$line"
answer_boxes
end_status; check_equal "beta upgrade ends with 0" "0" "$status"
new="$drive_c/UPG-NEW2"
check_equal "QEL.KEY mapped to standard.qky" "old keys" "$(cat "$new/OPTIONS/standard.qky" 2>/dev/null)"
check_equal "QELEVENT.CMD mapped to qelevent.qrx" "old event" "$(cat "$new/SCRIPT/qelevent.qrx" 2>/dev/null)"
[ -e "$new/OPTIONS/QEL.KEY" ] && fail "legacy name kept" || pass "no legacy name in the new options"

gui_end
