#!/usr/bin/env bash
# Runs a complete installation of the demo distribution under wine and leaves
# screenshots in out/demo/. Needs an X display (scripts/demo.sh provides one)
# and a built Windows tree (build/win, or BUILD_DIR).
#
#   scripts/run-demo.sh [en|de|fr|all]      language; default: $LANG when it
#                                           is en, de or fr, else en
#
# For each language: out/demo/dist-LANG/ holds setup.exe beside the archive
# (INSTALL.FIL, INSTALLD.FIL or INSTALLF.FIL, zipped from tools/demo/product/),
# the documents, the libraries and the icons. setup.exe runs in its own wine
# prefix (out/demo/wineprefix), is driven by the automation driver: it types
# the destination C:\QEL-DEMO-LANG, presses Install, answers every box, opens
# the documents and closes their windows. Screenshots: dialog-LANG.png (the
# dialog before Install), progress-LANG.png (during the run),
# documents-LANG.png (the text windows) and done-LANG.png (the last box).
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
build=$(cd "${BUILD_DIR:-build/win}" && pwd)
out=$source_dir/out/demo
run=$source_dir/cmake/wine-run
driver=$build/tools/uidriver.exe
setup_exe=$build/installer/setup.exe
export QEL_WINEPREFIX=$out/wineprefix

choice=${1:-}
if [ -z "$choice" ]; then
  case "${LANG:-}" in en|de|fr) choice=$LANG ;; *) choice=en ;; esac
fi
case "$choice" in
  all) languages="en de fr" ;;
  en|de|fr) languages=$choice ;;
  *) echo "usage: $0 [en|de|fr|all]" >&2; exit 2 ;;
esac
for needed in "$setup_exe" "$driver"; do
  [ -f "$needed" ] || { echo "missing $needed: build the Windows tree first (scripts/build.sh)" >&2; exit 1; }
done
mkdir -p "$out"

drive() { "$run" "$driver" "$@"; }
shot() { import -window root "$out/$1.png" && echo "screenshot out/demo/$1.png"; }

# Answers message boxes until the documents question or the end of setup:
# questions (texts ending in '?') get Yes, everything else OK. Prints each box.
answer_boxes() {
  local line text
  while kill -0 "$setup_pid" 2>/dev/null; do
    line=$(drive box 5 2>/dev/null) || continue
    text=${line#*text=}
    if [ -z "$text" ]; then sleep 0.2; continue; fi   # caught while it opens
    echo "  $line"
    case "$text" in
      *"README.DOC, etc."*)
        shot "done-$language"
        drive answer yes >/dev/null
        return 0 ;;
      *\?|*\?\ ) drive answer yes >/dev/null ;;
      *) drive answer ok >/dev/null ;;
    esac
  done
  return 1
}

run_language() {
  language=$1
  local dist=$out/dist-$language destination=C:\\QEL-DEMO-${language^^} dialog
  case "$language" in
    en) dialog="QEL Install*" ;;
    de) dialog="QEL Installation*" ;;
    fr) dialog="Installation de QEL*" ;;
  esac
  echo "== demo ($language): $dist"
  python3 tools/demo/build_distribution.py "$dist" "$setup_exe" "$language"
  export QEL_PROFILE='C:\windows\QELDEMO.INI'   # no earlier installation noted
  # The engine's listing and the trace lines go to a log of their own.
  (cd "$dist" && exec "$run" setup.exe >"$out/setup-$language.log" 2>&1) &
  setup_pid=$!
  drive wait "$dialog" 120 >/dev/null
  drive clear "$dialog" 307 >/dev/null || true
  drive type "$dialog" 307 "$destination" >/dev/null
  shot "dialog-$language"
  drive click "$dialog" 1 >/dev/null
  sleep 0.5
  shot "progress-$language"
  if answer_boxes; then
    drive wait README.DOC 30 >/dev/null && sleep 0.5
    shot "documents-$language"
    for doc in README.DOC FEATURES.DOC REGISTER.DOC ISDN.DOC PROBLEMS.DOC VERSIONS.DOC DEVELOP.DOC; do
      drive close "$doc" >/dev/null 2>&1 || true
    done
  fi
  for _ in $(seq 300); do kill -0 "$setup_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$setup_pid" 2>/dev/null; then
    echo "setup.exe did not end; stopping it" >&2
    kill "$setup_pid" 2>/dev/null || true
  fi
  wait "$setup_pid" 2>/dev/null || true
  local installed=$QEL_WINEPREFIX/drive_c/QEL-DEMO-${language^^}
  echo "installed into $installed:"
  (cd "$installed" 2>/dev/null && find . -type f | sort | sed 's/^\.\//  /') || echo "  (nothing)"
}

for language in $languages; do
  run_language "$language"
done
echo "screenshots in out/demo/"
