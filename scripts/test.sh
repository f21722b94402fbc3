#!/usr/bin/env bash
# The whole test suite: native tests, the native tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows tests
# (engine, installer and GUI scenarios) under wine on an X display.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh || exit 1
scripts/build.sh || exit 1
jobs=$(nproc)
status=0
run() { echo "== $*"; "$@" || status=1; }

run ctest --test-dir build/native -j"$jobs" --output-on-failure

cmake -S . -B build/asan -DQEL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null &&
  cmake --build build/asan -j"$jobs" || status=1
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run ctest --test-dir build/asan -j"$jobs" --output-on-failure

run scripts/with-display.sh ctest --test-dir build/win --output-on-failure

[ -x scripts/fuzz.sh ] && run scripts/fuzz.sh --smoke
exit $status
