#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build/fuzz and runs each of them.
#   scripts/fuzz.sh --smoke          every target for 60 s from a fixed seed (CI)
#   scripts/fuzz.sh --time SECONDS   every target for SECONDS (campaign)
#   scripts/fuzz.sh --time S NAME    one target
# First the committed regressions (tests/fuzz/regressions/NAME) are replayed.
# New crashes land in out/fuzz/NAME/; the line per target says what was seen.
set -uo pipefail
cd "$(dirname "$0")/.."
top=$PWD  # the archive targets change directory: every path given to them is absolute
seconds=60
seed=()
case ${1:-} in
  --smoke) seed=(-seed=1); shift ;;   # the same start every time: a failure is reproducible
  --time) seconds=$2; shift 2 ;;
esac
only=${1:-}

CC=clang CXX=clang++ cmake -S . -B build/fuzz -DQEL_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build build/fuzz -j"$(nproc)" >/dev/null || { cmake --build build/fuzz 2>&1 | tail -30; exit 1; }

python3 tests/fuzz/make_seeds.py tests/fuzz/corpus ../shared/fixtures/legacy >/dev/null || exit 1

status=0 passed=0 failed=0
for exe in build/fuzz/tests/fuzz/*_fuzzer; do
  name=$(basename "$exe")
  [ -n "$only" ] && [ "$name" != "$only" ] && continue
  seeds=$top/tests/fuzz/corpus/${name%_fuzzer}
  [ -d "$seeds" ] || seeds=$top/tests/fuzz/corpus/archive
  work=$top/out/fuzz/$name
  mkdir -p "$work/corpus"
  regressions=$top/tests/fuzz/regressions/$name
  if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    if ! "$exe" -close_fd_mask=3 "$regressions"/* >"$work/regressions.log" 2>&1; then
      echo "$name: a regression input fails again (see $work/regressions.log)"
      status=1 failed=$((failed + 1)); continue
    fi
  fi
  "$exe" "$work/corpus" "$seeds" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -close_fd_mask=3 "${seed[@]}" -artifact_prefix="$work/" -print_final_stats=1 >"$work/run.log" 2>&1
  rc=$?
  execs=$(grep -m1 'stat::number_of_executed_units' "$work/run.log" | awk '{print $2}')
  cov=$(grep -E '^#[0-9]+' "$work/run.log" | tail -1 | grep -o 'cov: [0-9]*' | awk '{print $2}')
  if [ $rc -ne 0 ]; then
    echo "$name: FAILED after ${execs:-?} executions (cov ${cov:-?}); artifacts in $work/"
    grep -m5 -E 'ERROR|SUMMARY|sandbox violated|timeout' "$work/run.log"
    status=1 failed=$((failed + 1))
  else
    passed=$((passed + 1))
    echo "$name: ok, ${execs:-?} executions in ${seconds}s, coverage ${cov:-?}"
  fi
done
echo "fuzz: $passed passed, $failed failed"
exit $status
