#!/usr/bin/env bash
# Imploded-entry benchmark: builds an archive of many imploded entries taken
# from the DOS-era fixture archives (both dictionary sizes, with and without
# a literal tree) and times our command-line extractor testing it (-t, which
# decodes and checks every CRC without writing files) against `7zz t` on the
# same archive. Best wall time of several runs each.
#
#   bench/legacy.sh               archive in $BENCH_DIR (default /tmp/qel-bench)
#   QEXTRACT=path RUNS=5 COPIES=3000 bench/legacy.sh
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BENCH_DIR=${BENCH_DIR:-/tmp/qel-bench}
RUNS=${RUNS:-3}
COPIES=${COPIES:-1500}
FIXTURES=${FIXTURES:-$ROOT/../shared/fixtures/legacy}
QEXTRACT=${QEXTRACT:-$ROOT/build/native/tools/qextract}

if [[ ! -x $QEXTRACT ]]; then
    echo "building qextract in build/native"
    cmake -S "$ROOT" -B "$ROOT/build/native" >/dev/null
    cmake --build "$ROOT/build/native" -j2 --target qextract >/dev/null
fi
mkdir -p "$BENCH_DIR"
ARCHIVE=$BENCH_DIR/imploded-$COPIES.zip

# Copies the imploded entries' raw data, headers and CRCs unchanged, under
# new names, into one archive; no imploder is needed for that.
if [[ ! -f $ARCHIVE ]]; then
    python3 - "$FIXTURES" "$COPIES" "$ARCHIVE" <<'PY'
import os, struct, sys
fixtures, copies, archive = sys.argv[1], int(sys.argv[2]), sys.argv[3]
entries = []
for name in sorted(os.listdir(fixtures)):
    if not name.endswith((".zip", ".ZIP")):
        continue
    data, at = open(os.path.join(fixtures, name), "rb").read(), 0
    while data[at:at + 4] == b"PK\x03\x04":
        (ver, flags, method, time, date, crc, csize, usize, nlen, xlen) = \
            struct.unpack("<HHHHHIIIHH", data[at + 4:at + 30])
        start = at + 30 + nlen + xlen
        if method == 6:
            entries.append((ver, flags, time, date, crc, usize, data[start:start + csize]))
        at = start + csize
if not entries:
    sys.exit("no imploded entries in " + fixtures)
local, central, total = bytearray(), bytearray(), 0
for i in range(copies):
    ver, flags, time, date, crc, usize, raw = entries[i % len(entries)]
    name = b"d%02d/e%05d.dat" % (i % 20, i)
    offset = len(local)
    head = struct.pack("<HHHHHIIIHH", ver, flags, 6, time, date, crc, len(raw), usize, len(name), 0)
    local += b"PK\x03\x04" + head + name + raw
    central += b"PK\x01\x02" + struct.pack("<H", ver) + head + struct.pack("<HHHII", 0, 0, 0, 0x20, offset) + name
    total += usize
end = b"PK\x05\x06" + struct.pack("<HHHHIIH", 0, 0, copies, copies, len(central), len(local), 0)
with open(archive, "wb") as f:
    f.write(local + central + end)
print("%d imploded entries, %.1f MB compressed, %.1f MB uncompressed"
      % (copies, len(local) / 1048576.0, total / 1048576.0))
PY
fi

best_time() {
    python3 - "$RUNS" "$@" <<'PY'
import subprocess, sys, time
runs, cmd = int(sys.argv[1]), sys.argv[2:]
best = None
for _ in range(runs):
    start = time.perf_counter()
    result = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    elapsed = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit("%s failed with %d" % (" ".join(cmd), result.returncode))
    best = elapsed if best is None or elapsed < best else best
print("%.3f" % best)
PY
}
ratio() { python3 -c "import sys; print('%.2f' % (float(sys.argv[1]) / float(sys.argv[2])))" "$@"; }

echo "imploded entries, best of $RUNS runs, testing (-t):"
ours=$(best_time "$QEXTRACT" -t -qq "$ARCHIVE")
printf "  qextract -t  %8.3f s\n" "$ours"
if command -v 7zz >/dev/null; then
    sz_time=$(best_time 7zz t -bd "$ARCHIVE")
    printf "  7zz t        %8.3f s   qextract/7zz = %s\n" "$sz_time" "$(ratio "$ours" "$sz_time")"
else
    echo "  7zz not installed: no comparison"
fi

# ---- Shrunk (method 1) and reduced (methods 2 to 5) entries, taken the same
# way from the fixture archives. 7-Zip decodes shrunk entries but not reduced
# ones; whether it can is asked of 7zz itself, not assumed.
build_method_archive() {  # methods (comma-separated) archive
    python3 - "$FIXTURES" "$COPIES" "$1" "$2" <<'PY'
import os, struct, sys
fixtures, copies, archive = sys.argv[1], int(sys.argv[2]), sys.argv[4]
methods = {int(m) for m in sys.argv[3].split(",")}
entries = []
for name in sorted(os.listdir(fixtures)):
    if not name.endswith((".zip", ".ZIP")):
        continue
    data, at = open(os.path.join(fixtures, name), "rb").read(), 0
    while data[at:at + 4] == b"PK\x03\x04":
        (ver, flags, method, time, date, crc, csize, usize, nlen, xlen) = \
            struct.unpack("<HHHHHIIIHH", data[at + 4:at + 30])
        start = at + 30 + nlen + xlen
        if method in methods:
            entries.append((ver, flags, method, time, date, crc, usize, data[start:start + csize]))
        at = start + csize
if not entries:
    sys.exit("no entries of methods %s in %s" % (sorted(methods), fixtures))
local, central, total = bytearray(), bytearray(), 0
for i in range(copies):
    ver, flags, method, time, date, crc, usize, raw = entries[i % len(entries)]
    name = b"d%02d/e%05d.dat" % (i % 20, i)
    offset = len(local)
    head = struct.pack("<HHHHHIIIHH", ver, flags, method, time, date, crc, len(raw), usize, len(name), 0)
    local += b"PK\x03\x04" + head + name + raw
    central += b"PK\x01\x02" + struct.pack("<H", ver) + head + struct.pack("<HHHII", 0, 0, 0, 0x20, offset) + name
    total += usize
end = b"PK\x05\x06" + struct.pack("<HHHHIIH", 0, 0, copies, copies, len(central), len(local), 0)
with open(archive, "wb") as f:
    f.write(local + central + end)
print("%d entries of methods %s, %.1f MB compressed, %.1f MB uncompressed"
      % (copies, ",".join(str(m) for m in sorted(methods)), len(local) / 1048576.0, total / 1048576.0))
PY
}

for kind in shrunk:1 reduced:2,3,4,5; do
    label=${kind%%:*}
    methods=${kind#*:}
    archive=$BENCH_DIR/$label-$COPIES.zip
    [[ -f $archive ]] || build_method_archive "$methods" "$archive"
    echo "$label entries, best of $RUNS runs, testing (-t):"
    ours=$(best_time "$QEXTRACT" -t -qq "$archive")
    printf "  qextract -t  %8.3f s\n" "$ours"
    if ! command -v 7zz >/dev/null; then
        echo "  7zz not installed: no comparison"
    elif 7zz t -bd "$archive" >/dev/null 2>&1; then
        sz_time=$(best_time 7zz t -bd "$archive")
        printf "  7zz t        %8.3f s   qextract/7zz = %s\n" "$sz_time" "$(ratio "$ours" "$sz_time")"
    else
        echo "  7zz does not decode these entries: no comparison"
    fi
done
