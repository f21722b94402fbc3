#!/usr/bin/env python3
"""Draws the setup program's pictures and writes them as 16-colour files.

    python3 tools/make_images.py [output directory]   (default: installer/resources)

Writes
  bar_pattern.bmp  bitmap 2: 4 x 4 checkerboard of silver and grey, the pattern
                   of progress-bar blocks not yet reached
  picture_large.bmp  bitmap 200: 230 x 210 picture of a terminal
  picture_small.bmp  bitmap 201: 200 x 180, the same picture smaller
  setup.ico        icon 1: 32 x 32 and 16 x 16, 16 colours with transparency

The generated files are committed; run this again only to change a picture.
Standard library only.
"""
import os
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)

# 5 x 7 letters for the words drawn on the screen.
FONT = {
    "Q": ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    ">": ["10000", "01000", "00100", "00010", "00100", "01000", "10000"],
    "_": ["00000", "00000", "00000", "00000", "00000", "00000", "11111"],
    " ": ["00000"] * 7,
}


class Canvas:
    def __init__(self, width, height, colour):
        self.width = width
        self.height = height
        self.pixels = [[colour] * width for _ in range(height)]

    def box(self, left, top, right, bottom, colour):
        """Fills left <= x < right, top <= y < bottom (y downward)."""
        for y in range(max(top, 0), min(bottom, self.height)):
            row = self.pixels[y]
            for x in range(max(left, 0), min(right, self.width)):
                row[x] = colour

    def bevel(self, left, top, right, bottom, light, dark):
        self.box(left, top, right, top + 1, light)
        self.box(left, top, left + 1, bottom, light)
        self.box(left, bottom - 1, right, bottom, dark)
        self.box(right - 1, top, right, bottom, dark)

    def text(self, left, top, word, scale, colour):
        for index, letter in enumerate(word):
            for row, bits in enumerate(FONT[letter]):
                for column, bit in enumerate(bits):
                    if bit == "1":
                        x = left + (index * 6 + column) * scale
                        y = top + row * scale
                        self.box(x, y, x + scale, y + scale, colour)


def draw_terminal(width, height):
    """A terminal on a desk: monitor with the product's name and a prompt."""
    canvas = Canvas(width, height, TEAL)
    for y in range(height):                      # dithered horizon behind the desk
        if y > height * 3 // 4:
            canvas.box(0, y, width, y + 1, OLIVE if y % 2 else GREY)
    unit = max(width // 46, 2)
    left, right = unit * 4, width - unit * 4
    top, bottom = unit * 2, height * 3 // 4
    canvas.box(left + unit, top + unit, right + unit, bottom + unit, BLACK)   # shadow
    canvas.box(left, top, right, bottom, SILVER)
    canvas.bevel(left, top, right, bottom, WHITE, GREY)
    screen = (left + unit * 2, top + unit * 2, right - unit * 2, bottom - unit * 4)
    canvas.box(*screen, NAVY)
    canvas.bevel(*screen, GREY, WHITE)
    big = max((screen[2] - screen[0]) // 22, 1)            # "QEL" spans 18 of 22 cells
    canvas.text(screen[0] + big * 2, screen[1] + big * 2, "QEL", big, AQUA)
    small = max(big // 3, 1)
    line = screen[1] + big * 11
    for word in ("> ", ">_"):
        if line + small * 7 < screen[3]:
            canvas.text(screen[0] + big * 2, line, word, small, LIME)
        line += small * 10
    canvas.box(right - unit * 6, bottom - unit * 3, right - unit * 3, bottom - unit * 2, LIME)  # power lamp
    stand_left, stand_right = width // 2 - unit * 4, width // 2 + unit * 4
    canvas.box(stand_left, bottom, stand_right, bottom + unit * 2, GREY)
    keyboard = (left + unit * 2, bottom + unit * 3, right - unit * 2, min(height - unit, bottom + unit * 8))
    canvas.box(*keyboard, SILVER)
    canvas.bevel(*keyboard, WHITE, GREY)
    for key_x in range(keyboard[0] + unit, keyboard[2] - unit, unit * 2):
        for key_y in range(keyboard[1] + unit, keyboard[3] - unit, unit * 2):
            canvas.box(key_x, key_y, key_x + unit, key_y + unit, GREY)
    return canvas


def bar_pattern():
    canvas = Canvas(4, 4, SILVER)
    for y in range(4):
        for x in range(4):
            canvas.pixels[y][x] = SILVER if (x + y) % 2 == 0 else GREY
    return canvas


def packed_rows(canvas):
    """4-bit pixel rows, bottom-up, each padded to four bytes."""
    rows = []
    for y in reversed(range(canvas.height)):
        row = canvas.pixels[y] + [0] * (canvas.width % 2)
        data = bytes((row[i] << 4) | row[i + 1] for i in range(0, len(row), 2))
        rows.append(data + b"\0" * (-len(data) % 4))
    return b"".join(rows)


def palette_bytes():
    return b"".join(struct.pack("<BBBB", blue, green, red, 0) for red, green, blue in PALETTE)


def info_header(width, height, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 2835, 2835, 16, 16)


def bmp_file(canvas):
    pixels = packed_rows(canvas)
    header_size = 14 + 40 + 64
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0, header_size)
    return file_header + info_header(canvas.width, canvas.height, len(pixels)) + palette_bytes() + pixels


def icon_image(size):
    """One icon image: the terminal on a transparent ground."""
    canvas = Canvas(size, size, TEAL)
    unit = max(size // 16, 1)
    canvas.box(0, 0, size, size, -1)                          # -1: transparent
    canvas.box(unit, unit, size - unit, size - unit * 4, SILVER)
    canvas.bevel(unit, unit, size - unit, size - unit * 4, WHITE, BLACK)
    canvas.box(unit * 3, unit * 3, size - unit * 3, size - unit * 6, NAVY)
    canvas.text(unit * 4, unit * 4, "Q" if size < 32 else "QE", max(unit // 2, 1), AQUA)
    canvas.box(size // 2 - unit * 2, size - unit * 4, size // 2 + unit * 2, size - unit * 3, GREY)
    canvas.box(unit * 2, size - unit * 3, size - unit * 2, size - unit, SILVER)
    canvas.bevel(unit * 2, size - unit * 3, size - unit * 2, size - unit, WHITE, BLACK)
    mask_rows = []
    for y in reversed(range(size)):
        bits = 0
        row = bytearray()
        for x in range(size):
            bits = (bits << 1) | (1 if canvas.pixels[y][x] < 0 else 0)
            if x % 8 == 7:
                row.append(bits)
                bits = 0
        mask_rows.append(bytes(row) + b"\0" * (-len(row) % 4))
    for row in canvas.pixels:
        for x, colour in enumerate(row):
            row[x] = max(colour, 0)
    xor = packed_rows(canvas)
    mask = b"".join(mask_rows)
    return info_header(size, size * 2, len(xor) + len(mask)) + palette_bytes() + xor + mask


def ico_file(sizes):
    images = [icon_image(size) for size in sizes]
    offset = 6 + 16 * len(images)
    directory = b""
    for size, image in zip(sizes, images):
        directory += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return struct.pack("<HHH", 0, 1, len(images)) + directory + b"".join(images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "installer", "resources")
    files = {
        "bar_pattern.bmp": bmp_file(bar_pattern()),
        "picture_large.bmp": bmp_file(draw_terminal(230, 210)),
        "picture_small.bmp": bmp_file(draw_terminal(200, 180)),
        "setup.ico": ico_file([32, 16]),
    }
    for name, data in files.items():
        with open(os.path.join(target, name), "wb") as output:
            output.write(data)


if __name__ == "__main__":
    main()
