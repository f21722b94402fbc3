#!/usr/bin/env python3
"""Writes the fuzzers' seed corpus: small archives for the archive targets and
raw entry data for each decompressor target (6 leading bytes: flags, then the
stated uncompressed size). Raw data of the legacy methods is cut from the
real-world archives in the given fixture folder, if present.
usage: make_seeds.py CORPUS_DIR [LEGACY_FIXTURE_DIR]"""
import hashlib, io, os, struct, sys, zipfile, zlib

MAX_SEED = 20000
corpus = sys.argv[1]
legacy = sys.argv[2] if len(sys.argv) > 2 else None

def put(group, data):
    if len(data) > MAX_SEED:
        return
    folder = os.path.join(corpus, group)
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, hashlib.sha1(data).hexdigest()[:16])
    if not os.path.exists(path):
        with open(path, 'wb') as f:
            f.write(data)

def raw_seed(flags, size, data, first=None):
    data = data[:MAX_SEED - 6]  # a prefix of a large entry still seeds the decoder well
    head = struct.pack('<HI', flags, size)
    if first is not None:
        head = bytes([first]) + head[1:]
    return head + data

TEXT = b''.join(b'line %d of the QEL demo text, with some repetition\r\n' % i for i in range(60))
BINARY = bytes((i * 7 + (i >> 3)) & 0xFF for i in range(3000))

def make_zip(entries, method, comment=b''):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, 'w', method) as z:
        for name, data in entries:
            # A fixed date keeps the seeds the same from run to run.
            info = zipfile.ZipInfo(name, date_time=(2002, 9, 1, 12, 0, 0))
            info.compress_type = method
            z.writestr(info, data)
        z.comment = comment
    return buffer.getvalue()

put('archive', make_zip([], zipfile.ZIP_STORED))
put('archive', make_zip([('README.DOC', TEXT)], zipfile.ZIP_STORED, b'demo comment'))
put('archive', make_zip([('README.DOC', TEXT), ('BIN/DATA.BIN', BINARY)], zipfile.ZIP_DEFLATED))
put('archive', make_zip([('OPTIONS/STANDARD.QPA', TEXT[:300]), ('SCRIPT/A/B.QRX', b'x'), ('LOG/', b'')],
                        zipfile.ZIP_DEFLATED))

for level in (0, 1, 6, 9):
    for data in (TEXT, BINARY, b'', b'a'):
        c = zlib.compressobj(level, zlib.DEFLATED, -15)
        put('inflate', raw_seed(0, len(data), c.compress(data) + c.flush()))
c = zlib.compressobj(6, zlib.DEFLATED, -15, 9, zlib.Z_FIXED)
put('inflate', raw_seed(0, len(TEXT), c.compress(TEXT) + c.flush()))

def local_entries(blob):
    """(flags, method, uncompressed size, raw data) of each local header."""
    pos = 0
    while True:
        pos = blob.find(b'PK\x03\x04', pos)
        if pos < 0 or pos + 30 > len(blob):
            return
        (_, _, flags, method, _, _, _, csize, usize, nlen, xlen) = struct.unpack('<4sHHHHHIIIHH', blob[pos:pos + 30])
        start = pos + 30 + nlen + xlen
        yield flags, method, usize, blob[start:start + csize]
        pos = start + csize

if legacy and os.path.isdir(legacy):
    for name in sorted(os.listdir(legacy)):
        if not name.lower().endswith('.zip'):
            continue
        blob = open(os.path.join(legacy, name), 'rb').read()
        put('archive', blob)
        for flags, method, usize, data in local_entries(blob):
            if method == 6:
                put('explode', raw_seed(flags, usize, data))
            elif method == 1:
                put('unshrink', raw_seed(flags, usize, data))
            elif 2 <= method <= 5:
                put('unreduce', raw_seed(flags, usize, data, first=method - 2))
