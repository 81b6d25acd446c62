#!/usr/bin/env python3
"""Draws the launcher's icon (a handheld with an arrow pointing into it) and writes KelvaneSetup.ico.

Two images of 16 colours, 32x32 and 16x16, each a 4-bit bottom-up bitmap with its 1-bit transparency mask.
Run it again after changing the pictures; the .ico it writes is kept in the repository.
"""
import struct
import sys
from pathlib import Path

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREEN, NAVY, TEAL, SILVER, GREY, LIME, BLUE, WHITE = 0, 2, 4, 6, 7, 8, 10, 12, 15
CLEAR = None


class Canvas:
    def __init__(self, size):
        self.size = size
        self.pixels = [[CLEAR] * size for _ in range(size)]

    def fill(self, left, top, right, bottom, colour):
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                self.pixels[y][x] = colour

    def frame(self, left, top, right, bottom, colour):
        self.fill(left, top, right, top, colour)
        self.fill(left, bottom, right, bottom, colour)
        self.fill(left, top, left, bottom, colour)
        self.fill(right, top, right, bottom, colour)

    def dot(self, x, y, colour):
        self.pixels[y][x] = colour


def draw_large():
    c = Canvas(32)
    # Handheld body with rounded corners and a lit left edge.
    c.fill(13, 1, 29, 30, GREY)
    c.frame(13, 1, 29, 30, BLACK)
    for x, y in ((13, 1), (29, 1), (13, 30), (29, 30)):
        c.dot(x, y, CLEAR)
    c.fill(14, 2, 14, 29, SILVER)
    # Screen with a blue K.
    c.fill(16, 4, 27, 20, WHITE)
    c.frame(15, 3, 28, 21, BLACK)
    c.fill(18, 7, 19, 17, BLUE)
    for step in range(6):
        c.fill(20 + step, 11 - step, 21 + step, 11 - step, BLUE)
        c.fill(20 + step, 12 + step, 21 + step, 12 + step, BLUE)
    # Three buttons under the screen.
    for left in (16, 21, 26):
        c.fill(left, 24, left + 1, 26, SILVER)
        c.frame(left - 1, 23, left + 2, 27, BLACK)
    # Green arrow from the desktop into the handheld.
    c.fill(1, 13, 9, 18, LIME)
    c.frame(0, 12, 9, 19, DARK_GREEN)
    for column in range(7):
        top, bottom = 8 + column, 23 - column
        c.fill(9 + column, top + 1, 9 + column, bottom - 1, LIME)
        c.dot(9 + column, top, DARK_GREEN)
        c.dot(9 + column, bottom, DARK_GREEN)
    c.fill(16, 15, 16, 16, DARK_GREEN)
    return c


def draw_small():
    c = Canvas(16)
    c.fill(6, 0, 15, 15, GREY)
    c.frame(6, 0, 15, 15, BLACK)
    for x, y in ((6, 0), (15, 0), (6, 15), (15, 15)):
        c.dot(x, y, CLEAR)
    c.fill(8, 2, 13, 10, WHITE)
    c.frame(7, 1, 14, 11, BLACK)
    c.fill(9, 3, 9, 9, BLUE)
    for step in range(3):
        c.dot(10 + step, 5 - step, BLUE)
        c.dot(10 + step, 6 + step, BLUE)
    c.fill(9, 13, 12, 13, SILVER)
    # Arrow.
    c.fill(0, 6, 4, 9, LIME)
    for column in range(4):
        c.fill(4 + column, 4 + column, 4 + column, 11 - column, LIME)
    c.dot(4, 4, DARK_GREEN)
    c.dot(4, 11, DARK_GREEN)
    return c


def row_bytes(bits_per_row):
    return (bits_per_row + 31) // 32 * 4


def encode(canvas):
    """BITMAPINFOHEADER, palette, 4-bit colour bits and 1-bit mask, rows bottom-up."""
    size = canvas.size
    colour_row = row_bytes(size * 4)
    mask_row = row_bytes(size)
    colour = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):
        row = canvas.pixels[y]
        line = bytearray(colour_row)
        bits = bytearray(mask_row)
        for x, value in enumerate(row):
            index = BLACK if value is CLEAR else value
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if value is CLEAR:
                bits[x // 8] |= 0x80 >> (x % 8)
        colour += line
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(colour) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(colour) + bytes(mask)


def write_icon(path, canvases):
    images = [encode(canvas) for canvas in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for canvas, image in zip(canvases, images):
        out += struct.pack("<BBBBHHII", canvas.size, canvas.size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    out += b"".join(images)
    Path(path).write_bytes(out)


if __name__ == "__main__":
    target = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).with_name("KelvaneSetup.ico")
    write_icon(target, [draw_large(), draw_small()])
