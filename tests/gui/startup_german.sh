#!/usr/bin/env bash
# setup.exe beside INSTALLD.FIL: the German dialog with the German texts of
# every labelled control, German message boxes with their umlauts intact,
# path completion while typing, and Cancel ending with exit code 0.
# Arguments: BUILD_DIR (the Windows tree) SOURCE_DIR.
source "$(dirname "$0")/lib/common.bash"
gui_begin startup_german "$1" "$2"
dialog="QEL Installation*"

check_control() {   # check_control ID TEXT OUTPUT: the control's line carries TEXT
  if grep -qE -- "^CONTROL id=$1 .* text=" <<<"$3" && grep -E -- "^CONTROL id=$1 " <<<"$3" | grep -qF -- " text=$2"; then
    echo "ok   control $1: $2"
  else
    echo "FAIL control $1: expected text: $2"
    grep -E -- "^CONTROL id=$1 " <<<"$3" | sed 's/^/       /'
    failures=$((failures + 1))
  fi
}

start_setup() {
  (cd "$build" && exec "$run" "$work/setup.exe") &
  setup_pid=$!
}

rm -rf "$work" && mkdir -p "$work"
cp "$build/installer/setup.exe" "$work/"
echo placeholder >"$work/INSTALLD.FIL"
unset QEL_PROFILE

start_setup
drive wait "$dialog" 60 >/dev/null
check_line "caption" "TEXT id=0 text=QEL Installation V3.07" "$(drive text "$dialog")"
out=$(drive controls "$dialog")
while IFS='|' read -r id text; do
  check_control "$id" "$text" "$out"
done <<'TABLE'
1|Installieren
2|Abbruch
300|QEL bereits installiert
301|Aktueller QEL-Pfad
304|Vorhandenes Telefonbuch konvertieren
303|Vorhandene QEL-Optionen übernehmen
305|Vorhandene Script-Dateien kopieren
314|Optionen
313|Logdateien
315|Scripts
316|Uploads
317|Downloads
105|Dieses Installations-Programm enthält ein ZIP-Entpackmodul
TABLE
for label in "Neuer QEL-Pfad" "Status:"; do
  if grep -qF -- " text=$label" <<<"$out"; then echo "ok   label $label"; else
    echo "FAIL label $label missing"; failures=$((failures + 1)); fi
done
check_line "focus on the destination" "FOCUS id=307" "$(drive focus "$dialog")"

# Install with nothing filled in: the German message in an information box.
drive click "$dialog" 1
out=$(drive answer ok 30)
check_line "empty destination" "BOX title=Information text=Der Ziel-Pfad ist leer" "$out"

# Three typed characters are completed; the data directories follow.
drive type "$dialog" 307 "d:x"
check_line "completed destination" "TEXT id=307 text=d:\\x" "$(drive text "$dialog" 307)"
check_line "derived log directory" "TEXT id=310 text=d:\\x\\LOG" "$(drive text "$dialog" 310)"

drive click "$dialog" 2
end_status; check_line "cancel ends with 0" "0" "$status"

gui_end
