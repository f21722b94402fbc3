#!/usr/bin/env bash
# End to end on the real setup.exe under wine, through the automation driver:
# 1. a full English installation from an archive with entries under LOG/,
#    OPTIONS/, SCRIPT/ (with sub-directories), UPLOAD/, DOWNLOAD/ and top-level
#    files, into data directories partly outside the destination: every file
#    lands in its place with its bytes and time stamp, the options file names
#    the chosen directories, the final boxes come in order;
# 2. a second run over the first: one question for the option files, one for
#    PHONEBK, backups STANDARD.0PA and PHONEB0, and the backups box;
# 3. Cancel during the extraction: the aborted box, fewer files, the end.
# Arguments: BUILD_DIR (the Windows tree) SOURCE_DIR.
source "$(dirname "$0")/lib/common.bash"
gui_begin install_english "$1" "$2"
dialog="QEL Install*"
export QEL_PROFILE='C:\windows\QEL-GUI-NONE.INI'   # no earlier installation noted

# The archive, built with python's zipfile (deflate), and the files it holds.
make_archive() {   # make_archive ENTRIES-FOR-CANCEL
  python3 - "$work" "$1" <<'PY'
import os, sys, zipfile
work, extra = sys.argv[1], int(sys.argv[2])
tree = os.path.join(work, "tree")
files = {
    "README.DOC": b"read me\r\n",
    "QEL.EXE": bytes(range(256)) * 64,
    "PHONEBK": b"phone book\r\n",
    "LOG/dummy.tmp": b"",
    "OPTIONS/STANDARD.QPA": b'QPA3.07\nDownloadPath="DOWNLOAD"\nUploadPath="UPLOAD"\nCapturePath="LOG"\nScriptPath="SCRIPT"\nOptsPath="OPTIONS"\n',
    "OPTIONS/STANDARD.QKY": b"keys\n",
    "SCRIPT/QELEVENT.QRX": b"event\n",
    "SCRIPT/RXSAMPLE/MODEM/DIAL.QRX": b"dial\n",
    "UPLOAD/dummy.tmp": b"",
    "UPLOAD/SENT/OLD.TXT": b"sent before\n",
    "DOWNLOAD/dummy.tmp": b"",
}
for i in range(extra):
    files["BULK/FILE%03d.DAT" % i] = os.urandom(100000)
with zipfile.ZipFile(os.path.join(work, "INSTALL.FIL"), "w", zipfile.ZIP_DEFLATED) as archive:
    for name, data in files.items():
        path = os.path.join(tree, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        archive.write(path, name)
PY
}

# Compares an installed file with the tree's copy: bytes and time stamp
# (the archive keeps even seconds).
check_file() {   # check_file ENTRY INSTALLED-PATH
  local source="$work/tree/$1" target
  target=$(find "$(dirname "$2")" -maxdepth 1 -iname "$(basename "$2")" 2>/dev/null | head -1)
  if [ -z "$target" ]; then fail "$1 missing at $2"; return; fi
  if ! cmp -s "$source" "$target"; then fail "$1: bytes differ"; return; fi
  local a b
  a=$(stat -c %Y "$source"); b=$(stat -c %Y "$target")
  if [ $((a - b)) -gt 2 ] || [ $((b - a)) -gt 2 ]; then fail "$1: time $b, archive $a"; return; fi
  pass "$1 in place"
}

rm -rf "$work" "$drive_c/GUI-EN" "$drive_c/GUI-DATA" "$drive_c/GUI-CANCEL" && mkdir -p "$work"
cp "$build/installer/setup.exe" "$work/"
printf 'read me\r\n' >"$work/README.DOC"
printf 'features\r\n' >"$work/FEATURES.DOC"   # beside setup.exe only, not in the archive
make_archive 0

# --- 1. first installation ---------------------------------------------------
start_setup_logged first
type_field 307 'C:\GUI-EN'
type_field 318 'C:\GUI-DATA\UP'
type_field 319 'C:\GUI-DATA\DL'
drive click "$dialog" 1 >/dev/null
answer_boxes
first_box=$(sed -n 1p <<<"$boxes")
last_box=$(grep -v '^$' <<<"$boxes" | tail -1)
check_equal "first final box" "All files processed - installation complete (QEL was added to your start menu)" "$first_box"
check_equal "documents question last" "Do you want to read QEL's DOC-files (PROBLEMS.DOC, README.DOC, etc.) now?" "$last_box"
if grep -q "backed up" <<<"$boxes"; then fail "no backups box on a fresh installation"; else pass "no backups box"; fi
end_status; check_equal "first run ends with 0" "0" "$status"
dest="$drive_c/GUI-EN"
cmp -s "$work/README.DOC" "$dest/README.DOC" && pass "README.DOC from beside setup.exe" || fail "README.DOC differs"
check_file QEL.EXE "$dest/QEL.EXE"
check_file PHONEBK "$dest/PHONEBK"
check_file OPTIONS/STANDARD.QKY "$dest/OPTIONS/STANDARD.QKY"
check_file SCRIPT/QELEVENT.QRX "$dest/SCRIPT/QELEVENT.QRX"
check_file SCRIPT/RXSAMPLE/MODEM/DIAL.QRX "$dest/SCRIPT/RXSAMPLE/MODEM/DIAL.QRX"
check_file UPLOAD/SENT/OLD.TXT "$drive_c/GUI-DATA/UP/SENT/OLD.TXT"
check_file UPLOAD/dummy.tmp "$drive_c/GUI-DATA/UP/dummy.tmp"
check_file DOWNLOAD/dummy.tmp "$drive_c/GUI-DATA/DL/dummy.tmp"
cmp -s "$work/FEATURES.DOC" "$dest/FEATURES.DOC" && pass "document copied" || fail "FEATURES.DOC not copied"
[ -e "$dest/LOG/dummy.tmp" ] && fail "placeholder under the destination removed" || pass "placeholder under the destination removed"
options=$(tr -d '\r' <"$dest/OPTIONS/STANDARD.QPA")
check_equal "options file" 'QPA3.07
DownloadPath="C:\GUI-DATA\DL"
UploadPath="C:\GUI-DATA\UP"
CapturePath="LOG"
ScriptPath="SCRIPT"
OptsPath="OPTIONS"' "$options"

# --- 2. second run over the first ------------------------------------------------
start_setup_logged second
type_field 307 'C:\GUI-EN'
drive click "$dialog" 1 >/dev/null
answer_boxes
check_equal "option-files question once" "1" "$(grep -c '^Overwrite existing option files' <<<"$boxes")"
check_equal "PHONEBK question" "1" "$(grep -c '^Overwrite .*PHONEBK with' <<<"$boxes")"
check_equal "backups box" "1" "$(grep -c '^All intentionally overwritten files were backed up' <<<"$boxes")"
end_status; check_equal "second run ends with 0" "0" "$status"
[ -f "$dest/OPTIONS/STANDARD.0PA" ] && pass "STANDARD.0PA backup" || fail "STANDARD.0PA backup missing"
[ -f "$dest/PHONEB0" ] && pass "PHONEB0 backup" || fail "PHONEB0 backup missing"

# --- 3. cancel during the extraction ---------------------------------------------
make_archive 200
start_setup_logged cancel
type_field 307 'C:\GUI-CANCEL'
drive click "$dialog" 1 >/dev/null
# Cancel at once: each driver call costs a wine start, and polling the status
# line first could let the whole extraction finish under a light load.
drive click "$dialog" 2 >/dev/null
line=$(drive answer ok 60)
check_equal "aborted box" "BOX title=Information text=Installation aborted - QEL wasn't installed successfully!" "$line"
end_status; check_equal "cancelled run ends with 0" "0" "$status"
count=$(find "$drive_c/GUI-CANCEL" -name 'FILE*.DAT' 2>/dev/null | wc -l)
if [ "$count" -lt 200 ]; then pass "extraction stopped ($count of 200 bulk files)"; else fail "all 200 bulk files extracted"; fi
[ -e "$drive_c/GUI-CANCEL/FEATURES.DOC" ] && fail "documents copied after cancel" || pass "nothing copied after cancel"

gui_end
