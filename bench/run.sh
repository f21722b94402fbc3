#!/usr/bin/env bash
# Extraction benchmark: builds a corpus of generated text and binary files
# (at least 200 MB), deflates it into one archive and times our command-line
# extractor against bsdtar and 7-Zip extracting the same archive to files.
# Best wall time of several runs each; peak resident memory of qextract on
# the large archive and on a tiny one (heap use must not grow with the size).
#
#   bench/run.sh                 corpus in $BENCH_DIR (default /tmp/qel-bench)
#   QEXTRACT=path RUNS=5 CORPUS_MB=300 bench/run.sh
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BENCH_DIR=${BENCH_DIR:-/tmp/qel-bench}
RUNS=${RUNS:-3}
CORPUS_MB=${CORPUS_MB:-210}
QEXTRACT=${QEXTRACT:-$ROOT/build/native/tools/qextract}

if [[ ! -x $QEXTRACT ]]; then
    echo "building qextract in build/native"
    cmake -S "$ROOT" -B "$ROOT/build/native" >/dev/null
    cmake --build "$ROOT/build/native" -j2 --target qextract >/dev/null
fi
mkdir -p "$BENCH_DIR"
CORPUS=$BENCH_DIR/corpus
ARCHIVE=$BENCH_DIR/corpus.zip
TINY=$BENCH_DIR/tiny.zip

# The corpus: text files of assorted sizes (a few large logs, many small
# documents), binary files half random and half structured, a few
# incompressible ones, in nested directories. Seeded, so every run builds the
# same corpus.
if [[ ! -f $ARCHIVE ]]; then
    echo "generating a ${CORPUS_MB} MB corpus in $CORPUS"
    rm -rf "$CORPUS"
    python3 - "$CORPUS" "$CORPUS_MB" "$ARCHIVE" "$TINY" <<'PY'
import os, random, struct, sys, zipfile
root, megabytes, archive, tiny = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
rng = random.Random(20261211)
words = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 11)))
         for _ in range(5000)]
def text(size):
    out, total = [], 0
    while total < size:
        line = " ".join(rng.choices(words, k=rng.randint(4, 16))) + "\n"
        out.append(line)
        total += len(line)
    return "".join(out).encode()[:size]
def binary(size):
    # Records with counters and floats between random stretches.
    parts, total, n = [], 0, 0
    while total < size:
        if n % 2:
            chunk = os.urandom(rng.randint(64, 4096))
        else:
            chunk = b"".join(struct.pack("<IId", i, i * 7 % 1000, i / 3.0) for i in range(n * 37, n * 37 + 200))
        parts.append(chunk)
        total += len(chunk)
        n += 1
    return b"".join(parts)[:size]
target = megabytes * 1024 * 1024
written, index = 0, 0
while written < target:
    kind = index % 10
    if kind < 5:
        size, data_of, ext = rng.choice([2000, 20000, 200000, 3000000]), text, ".txt"
    elif kind < 9:
        size, data_of, ext = rng.choice([5000, 100000, 2000000]), binary, ".bin"
    else:
        size, data_of, ext = 1000000, os.urandom, ".rnd"
    path = os.path.join(root, "d%02d" % (index % 17), "s%d" % (index % 5), "f%05d%s" % (index, ext))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data_of(size))
    written += size
    index += 1
def zip_tree(target_zip, paths):
    with zipfile.ZipFile(target_zip, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
        for p in paths:
            z.write(p, os.path.relpath(p, root))
paths = sorted(os.path.join(d, f) for d, _, fs in os.walk(root) for f in fs)
zip_tree(archive, paths)
zip_tree(tiny, paths[:3])
print("%d files, %.1f MB" % (len(paths), written / 1048576.0))
PY
fi
ls -l "$ARCHIVE" | awk '{printf "archive: %.1f MB\n", $5 / 1048576}'

# Runs a command RUNS times into a fresh directory; prints the best seconds.
best_time() {
    python3 - "$RUNS" "$BENCH_DIR/out" "$@" <<'PY'
import os, shutil, subprocess, sys, time
runs, out, cmd = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
best = None
for _ in range(runs):
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    start = time.perf_counter()
    subprocess.run([c.replace("@OUT@", out) for c in cmd], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    elapsed = time.perf_counter() - start
    best = elapsed if best is None or elapsed < best else best
shutil.rmtree(out, ignore_errors=True)
print("%.3f" % best)
PY
}

# Peak resident set size in kB of one run of qextract on an archive.
peak_rss() {
    local archive=$1 out=$BENCH_DIR/rss-out
    rm -rf "$out"
    if [[ -x /usr/bin/time ]]; then
        /usr/bin/time -v "$QEXTRACT" -qq "$archive" -d "$out" 2>&1 >/dev/null |
            awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}'
    else
        python3 - "$QEXTRACT" "$archive" "$out" <<'PY'
import os, subprocess, sys
pid = os.spawnv(os.P_NOWAIT, sys.argv[1], [sys.argv[1], "-qq", sys.argv[2], "-d", sys.argv[3]])
_, _, usage = os.wait4(pid, 0)
print(usage.ru_maxrss)
PY
    fi
    rm -rf "$out"
}

echo "best of $RUNS runs, extracting to files:"
ours=$(best_time "$QEXTRACT" -qq "$ARCHIVE" -d @OUT@)
printf "  qextract  %8.3f s\n" "$ours"
ratio() { python3 -c "import sys; print('%.2f' % (float(sys.argv[1]) / float(sys.argv[2])))" "$@"; }
if command -v bsdtar >/dev/null; then
    tar_time=$(best_time bsdtar -xf "$ARCHIVE" -C @OUT@)
    printf "  bsdtar    %8.3f s   qextract/bsdtar = %s\n" "$tar_time" "$(ratio "$ours" "$tar_time")"
fi
if command -v 7zz >/dev/null; then
    sz_time=$(best_time 7zz x -y -bd -o@OUT@ "$ARCHIVE")
    printf "  7zz       %8.3f s   qextract/7zz    = %s\n" "$sz_time" "$(ratio "$ours" "$sz_time")"
fi
echo "peak RSS of qextract: $(peak_rss "$ARCHIVE") kB on the corpus, $(peak_rss "$TINY") kB on a 3-file archive"
