#!/usr/bin/env python3
"""Draws the flag pictures of the shipped languages: 48 x 48 pixel, 24-bit BMP files, the size of
the options window's language entries. Usage: draw_flags.py [FOLDER] (default: this folder)."""
import os
import struct
import sys

SIZE = 48

WHITE = (255, 255, 255)
RED = (206, 17, 38)
GREEN = (0, 140, 69)
BLACK = (0, 0, 0)
GOLD = (255, 206, 0)
BLUE_FR = (0, 85, 164)
RED_FR = (239, 65, 53)
RED_ES = (170, 21, 27)
YELLOW_ES = (241, 191, 0)
NAVY = (1, 33, 105)
RED_UK = (200, 16, 46)
GREY = (214, 214, 214)
DARK = (96, 96, 96)


def vertical(colours):
    return lambda x, y: colours[x * len(colours) // SIZE]


def horizontal(bands):
    # bands: (colour, weight) from the top
    total = sum(w for _, w in bands)

    def pixel(x, y):
        edge = 0
        for colour, weight in bands:
            edge += weight
            if y * total < edge * SIZE:
                return colour
        return bands[-1][0]
    return pixel


def union(x, y):
    # Blue field, white diagonals with thin red ones, white cross with a red centre cross.
    cx, cy = x + 0.5 - SIZE / 2, y + 0.5 - SIZE / 2
    if abs(cx) < 4 or abs(cy) < 4:
        return RED_UK
    if abs(cx) < 8 or abs(cy) < 8:
        return WHITE
    d1, d2 = abs(cx - cy), abs(cx + cy)
    if (d1 < 2.5 and cx * cy > 0 and cx > 0) or (d2 < 2.5 and cx * cy < 0 and cx < 0):
        return RED_UK
    if (d1 < 2.5 and cx * cy > 0 and cx < 0) or (d2 < 2.5 and cx * cy < 0 and cx > 0):
        return RED_UK
    if d1 < 6 or d2 < 6:
        return WHITE
    return NAVY


def default_flag(x, y):
    # A grey flag with a dark frame and a dark globe: a language without a flag of its own.
    if x in (0, SIZE - 1) or y in (0, SIZE - 1):
        return DARK
    cx, cy = x + 0.5 - SIZE / 2, y + 0.5 - SIZE / 2
    r = (cx * cx + cy * cy) ** 0.5
    if 13 <= r <= 15 or (r < 15 and (abs(cx) < 1 or abs(cy) < 1 or abs(abs(cx) - 7) < 0.8)):
        return DARK
    return GREY


FLAGS = {
    "English": union,
    "Italiano": vertical([GREEN, WHITE, RED]),
    "Deutsch": horizontal([(BLACK, 1), (RED, 1), (GOLD, 1)]),
    "Français": vertical([BLUE_FR, WHITE, RED_FR]),
    "Español": horizontal([(RED_ES, 1), (YELLOW_ES, 2), (RED_ES, 1)]),
    "DefaultFlag": default_flag,
}


def bmp(pixel):
    row_size = (SIZE * 3 + 3) // 4 * 4
    data = bytearray()
    for y in reversed(range(SIZE)):  # bottom-up rows
        row = bytearray()
        for x in range(SIZE):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, pixel in FLAGS.items():
        with open(os.path.join(folder, name + ".bmp"), "wb") as f:
            f.write(bmp(pixel))


if __name__ == "__main__":
    main()
