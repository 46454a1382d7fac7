#!/usr/bin/env python3
"""Draws the control's toolbox picture: a 16 x 15, 24-bit bitmap of a white
text field in a dark frame holding a date-like "../../" pattern, so that in
a form designer's toolbox it reads as a formatted text box.

Usage: make_toolbox_bmp.py <out.bmp>  (the result is committed as
win32/resources/toolbox.bmp; rerun this after changing the picture)."""
import struct
import sys

WIDTH, HEIGHT = 16, 15
# One character per pixel, top row first.
#   . toolbox grey   # frame   w field   k slash   b digit
PICTURE = [
    "................",
    "................",
    "................",
    "################",
    "#wwwwwwwwwwwwww#",
    "#wwwwwkwwwwwkww#",
    "#wbbwwkwbbwwkwb#",
    "#wbbwkwwbbwkwwb#",
    "#wbbwkwwbbwkwwb#",
    "#wwwkwwwwwkwwww#",
    "#wwwwwwwwwwwwww#",
    "################",
    "................",
    "................",
    "................",
]
COLOURS = {  # (red, green, blue)
    ".": (192, 192, 192),
    "#": (64, 64, 64),
    "w": (255, 255, 255),
    "k": (0, 0, 0),
    "b": (0, 0, 128),
}


def bitmap_bytes():
    assert len(PICTURE) == HEIGHT and all(len(row) == WIDTH for row in PICTURE)
    row_size = (WIDTH * 3 + 3) // 4 * 4
    pixels = bytearray()
    for row in reversed(PICTURE):  # a BMP stores the bottom row first
        line = bytearray()
        for ch in row:
            red, green, blue = COLOURS[ch]
            line += bytes((blue, green, red))
        line += b"\0" * (row_size - len(line))
        pixels += line
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels),
                       2835, 2835, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + bytes(pixels)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as out:
        out.write(bitmap_bytes())
