#!/usr/bin/env python3
"""Lays out a demo distribution of QEL: setup.exe beside its archive, the
documents, the three libraries (placeholders) and the shortcut icons.

    build_distribution.py OUT_DIR SETUP_EXE [en|de|fr]

The archive is tools/demo/product/ zipped with deflate; its name fixes the
language of the setup run: INSTALL.FIL, INSTALLD.FIL or INSTALLF.FIL.
"""
import os
import shutil
import struct
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ARCHIVE_NAMES = {"en": "INSTALL.FIL", "de": "INSTALLD.FIL", "fr": "INSTALLF.FIL"}
# Icon file and its colour (red, green, blue): documents and the four dealers.
ICONS = {
    "inst_doc.ico": (0xF0, 0xF0, 0xF0),
    "inst_ger.ico": (0xFF, 0xCC, 0x00),
    "inst_usa.ico": (0x3C, 0x3B, 0x6E),
    "inst_aus.ico": (0x00, 0x84, 0x3D),
    "inst_dk.ico": (0xC6, 0x0C, 0x30),
}


def icon_bytes(colour, size=32):
    """A 32-bit icon of one size: a coloured square with a dark frame."""
    red, green, blue = colour
    rows = []
    for y in range(size):  # bottom-up, as bitmaps are stored
        row = bytearray()
        for x in range(size):
            edge = x in (0, size - 1) or y in (0, size - 1)
            row += bytes((0x20, 0x20, 0x20, 0xFF)) if edge else bytes((blue, green, red, 0xFF))
        rows.append(bytes(row))
    pixels = b"".join(rows)
    mask = b"\x00" * (((size + 31) // 32) * 4 * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def build_archive(path):
    product = os.path.join(HERE, "product")
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        for directory, subdirectories, files in os.walk(product):
            subdirectories.sort()
            for name in sorted(files):
                full = os.path.join(directory, name)
                archive.write(full, os.path.relpath(full, product).replace(os.sep, "/"))


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    out_dir, setup_exe = sys.argv[1], sys.argv[2]
    language = sys.argv[3] if len(sys.argv) == 4 else "en"
    if language not in ARCHIVE_NAMES:
        sys.exit("language must be en, de or fr")
    if os.path.isdir(out_dir):
        shutil.rmtree(out_dir)
    os.makedirs(out_dir)
    shutil.copy2(setup_exe, os.path.join(out_dir, "setup.exe"))
    build_archive(os.path.join(out_dir, ARCHIVE_NAMES[language]))
    dist = os.path.join(HERE, "dist")
    for name in sorted(os.listdir(dist)):
        shutil.copy2(os.path.join(dist, name), os.path.join(out_dir, name))
    for name, colour in ICONS.items():
        with open(os.path.join(out_dir, name), "wb") as icon:
            icon.write(icon_bytes(colour))


if __name__ == "__main__":
    main()
