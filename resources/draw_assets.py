#!/usr/bin/env python3
"""Draws the program's own pictures: the hand cursor HAND-M.CUR and the application icon
stowfolio.png. Run it from this folder after changing a drawing; the outputs are committed."""

import struct
import zlib

# The hand: '#' outline, 'o' fill, '.' transparent. The hot spot is the tip of the finger.
HAND = [
    "......##........................",
    ".....#oo#.......................",
    ".....#oo#.......................",
    ".....#oo#.......................",
    ".....#oo#.......................",
    ".....#oo###.....................",
    ".....#oo#oo##...................",
    ".....#oo#oo#o##.................",
    ".....#oo#oo#oo#o#...............",
    "..##.#oo#oo#oo#oo#..............",
    ".#oo##oooooooooooo#.............",
    ".#ooo#ooooooooooooo#............",
    "..#ooooooooooooooooo#...........",
    "..#ooooooooooooooooo#...........",
    "...#oooooooooooooooo#...........",
    "...#oooooooooooooooo#...........",
    "....#ooooooooooooooo#...........",
    "....#oooooooooooooo#............",
    ".....#ooooooooooooo#............",
    ".....#oooooooooooo#.............",
    "......#ooooooooooo#.............",
    "......#ooooooooooo#.............",
    "......#############.............",
] + ["." * 32] * 9
HOT_SPOT = (6, 0)

COLOURS = {"#": (0, 0, 0, 255), "o": (255, 255, 255, 255), ".": (0, 0, 0, 0)}


def cursor_file(rows, hot_spot):
    size = len(rows)
    # Pixels bottom-up as BGRA, then the 1-bit AND mask (1 = transparent), rows padded to 32 bits.
    pixels = b""
    mask = b""
    for row in reversed(rows):
        bits = 0
        for x, ch in enumerate(row):
            r, g, b, a = COLOURS[ch]
            pixels += bytes((b, g, r, a))
            if a == 0:
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask),
                         0, 0, 0, 0)
    image = header + pixels + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, hot_spot[0], hot_spot[1], len(image),
                        6 + 16)
    return directory + entry + image


def png_file(width, height, pixel):
    raw = b""
    for y in range(height):
        raw += b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def icon_pixel(x, y, size=64):
    """A house whose front is a little sheet of lines: the inventory of a home."""
    roof_top, roof_base, wall_bottom = 6, 28, 58
    left, right = 10, 54
    centre = size / 2
    transparent = (0, 0, 0, 0)
    roof = (176, 58, 46, 255)
    wall = (250, 248, 240, 255)
    outline = (52, 52, 60, 255)
    line = (70, 120, 190, 255)
    if roof_top <= y < roof_base:
        half = (y - roof_top) * (centre - 4) / (roof_base - roof_top) + 4
        if abs(x + 0.5 - centre) <= half:
            return outline if abs(x + 0.5 - centre) > half - 2.5 else roof
        return transparent
    if roof_base <= y < wall_bottom and left <= x < right:
        if x in (left, left + 1, right - 2, right - 1) or y >= wall_bottom - 2:
            return outline
        if 34 <= y < 50 and 16 <= x < 48 and (y - 34) % 5 == 0:
            return line
        if 34 <= y < 50 and x == 24:
            return line
        return wall
    return transparent


if __name__ == "__main__":
    with open("HAND-M.CUR", "wb") as f:
        f.write(cursor_file(HAND, HOT_SPOT))
    with open("stowfolio.png", "wb") as f:
        f.write(png_file(64, 64, icon_pixel))
