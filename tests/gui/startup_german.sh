#!/usr/bin/env bash
# setup.exe beside INSTALLD.FIL: the German dialog with the German texts of
# every labelled control, German message boxes with their umlauts intact,
# path completion while typing, and Cancel ending with exit code 0.
# Arguments: BUILD_DIR (the Windows tree) SOURCE_DIR.
set -u
build=$(cd "$1" && pwd)
run="$2/cmake/wine-run"
driver="$build/tools/uidriver.exe"
work="$build/gui_work/startup_german"
dialog="QEL Installation*"
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

check_control() {   # check_control ID TEXT OUTPUT: the control's line carries TEXT
  if grep -qE -- "^CONTROL id=$1 .* text=" <<<"$3" && grep -E -- "^CONTROL id=$1 " <<<"$3" | grep -qF -- " text=$2"; then
    echo "ok   control $1: $2"
  else
    echo "FAIL control $1: expected text: $2"
    grep -E -- "^CONTROL id=$1 " <<<"$3" | sed 's/^/       /'
    failures=$((failures + 1))
  fi
}

drive() { (cd "$build" && "$run" "$driver" "$@"); }

start_setup() {
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
echo placeholder >"$work/INSTALLD.FIL"
unset QEL_PROFILE

start_setup
drive wait "$dialog" 60 >/dev/null
check "caption" "TEXT id=0 text=QEL Installation V3.07" "$(drive text "$dialog")"
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
check "focus on the destination" "FOCUS id=307" "$(drive focus "$dialog")"

# Install with nothing filled in: the German message in an information box.
drive click "$dialog" 1
out=$(drive answer ok 30)
check "empty destination" "BOX title=Information text=Der Ziel-Pfad ist leer" "$out"

# Three typed characters are completed; the data directories follow.
drive type "$dialog" 307 "d:x"
check "completed destination" "TEXT id=307 text=d:\\x" "$(drive text "$dialog" 307)"
check "derived log directory" "TEXT id=310 text=d:\\x\\LOG" "$(drive text "$dialog" 310)"

drive click "$dialog" 2
end_status; check "cancel ends with 0" "0" "$status"

[ "$failures" -eq 0 ] && echo "all passed" || echo "$failures failed"
[ "$failures" -eq 0 ]
