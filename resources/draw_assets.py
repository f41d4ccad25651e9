#!/usr/bin/env python3
"""Draws the program's own pictures: the hand cursor HAND-M.CUR, the window icon stowfolio.png
and the desktop icons in icons/ (an SVG and one PNG drawn for each size). Run it after changing
a drawing; the outputs are committed. Only the standard library is used, so the same script
gives the same bytes on any machine."""

import math
import os
import struct
import sys
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


# The application icon: a house whose front is a little sheet of lines, the inventory of a home.
# The id names the icon, the desktop entry and the AppStream component alike.
ICON_ID = "example.quillane.stowfolio"
ICON_SIZES = (16, 32, 48, 64, 128, 256)

ROOF = (176, 58, 46, 255)
WALL = (250, 248, 240, 255)
OUTLINE = (52, 52, 60, 255)
LINE = (70, 120, 190, 255)


def rect(x0, y0, x1, y1, colour):
    return ("rect", (x0, y0, x1, y1), colour)


def polygon(points, colour):
    return ("polygon", tuple(points), colour)


def inset_triangle(apex, left, right, by):
    """The triangle whose sides lie `by` inside those of apex-left-right (apex on top)."""
    (ax, ay), (lx, ly), (rx, ry) = apex, left, right
    half, height = (rx - lx) / 2, ly - ay
    # Moving a slanted side inwards by `by` moves the apex down by by / sin(angle at the base's
    # far corner) and each base corner inwards by by / tan(half the base angle).
    side = math.hypot(half, height)
    apex_drop = by * side / half
    corner_in = by * (side + half) / height
    return ((ax, ay + apex_drop), (lx + corner_in, ly - by), (rx - corner_in, ry - by))


def stepped_roof(centre, top, eave, half_base, stroke):
    """A roof built of whole-pixel rows for the small sizes, where a smoothed slant is only a
    grey smear: each row is one pixel, its outline the pixels it adds to the row above."""
    rows = eave - top
    shapes = []
    previous = 0
    for k in range(rows):
        half = round(1 + k * (half_base - 1) / (rows - 1))
        y = top + k
        shapes.append(rect(centre - half, y, centre + half, y + 1, OUTLINE))
        # The last `stroke` rows are the roof's lower edge, outline from end to end.
        inner = half - max(stroke, half - previous)
        if inner > 0 and y < eave - stroke:
            shapes.append(rect(centre - inner, y, centre + inner, y + 1, ROOF))
        previous = half
    return shapes


def icon_shapes(size):
    """The icon as shapes painted back to front, laid out for one size in pixels. Straight
    edges fall on whole pixels and the lines of the sheet thin out as the icon shrinks, so a
    16-pixel icon is drawn for 16 pixels instead of being a blurred copy of a large one."""
    s = size
    stroke = max(1, s // 32)
    left, right = round(s * 0.19), s - round(s * 0.19)
    top, eave, bottom = round(s * 0.06), round(s * 0.47), s - round(s * 0.06)
    overhang = max(1, round(s * 0.06))
    apex = (s / 2, top)
    roof_left, roof_right = (left - overhang, eave), (right + overhang, eave)

    if s < 48:
        shapes = stepped_roof(s / 2, top, eave, s / 2 - roof_left[0], stroke)
    else:
        shapes = [polygon((apex, roof_left, roof_right), OUTLINE),
                  polygon(inset_triangle(apex, roof_left, roof_right, stroke), ROOF)]
    shapes += [rect(left, eave - stroke, right, bottom, OUTLINE),
              rect(left + stroke, eave, right - stroke, bottom - stroke, WALL)]

    # The sheet on the front: evenly spaced whole-pixel lines, centred in the wall.
    lines = 2 if s < 32 else 3 if s < 48 else 4
    thickness = max(1, s // 48)
    pad = max(1, round(s * 0.06))
    inner_top, inner_bottom = eave, bottom - stroke
    gap = (inner_bottom - inner_top - 2 * pad) // lines
    first = inner_top + (inner_bottom - inner_top - ((lines - 1) * gap + thickness)) // 2
    x0, x1 = left + stroke + pad, right - stroke - pad
    for i in range(lines):
        y = first + i * gap
        shapes.append(rect(x0, y, x1, y + thickness, LINE))
    # A ruled column once there is room to tell it from the lines.
    if s >= 32:
        x = x0 + round((x1 - x0) * 0.3)
        shapes.append(rect(x, first, x + thickness, first + (lines - 1) * gap + thickness, LINE))
    return shapes


def covers(points, x, y):
    """Whether the point lies inside the polygon (crossing count)."""
    inside = False
    for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            inside = not inside
    return inside


SUBSAMPLES = 5


def coverage(shape, px, py):
    """The part of pixel (px, py) the shape covers: exact for rectangles, sampled on a 5 by 5
    grid for the slanted sides of the roof."""
    kind, geometry, _ = shape
    if kind == "rect":
        x0, y0, x1, y1 = geometry
        return (max(0, min(px + 1, x1) - max(px, x0)) * max(0, min(py + 1, y1) - max(py, y0)))
    hits = 0
    for i in range(SUBSAMPLES):
        for j in range(SUBSAMPLES):
            if covers(geometry, px + (i + 0.5) / SUBSAMPLES, py + (j + 0.5) / SUBSAMPLES):
                hits += 1
    return hits / SUBSAMPLES ** 2


def bounds(shape, size):
    kind, geometry, _ = shape
    xs = geometry[0::2] if kind == "rect" else [x for x, _ in geometry]
    ys = geometry[1::2] if kind == "rect" else [y for _, y in geometry]
    return (max(0, math.floor(min(xs))), max(0, math.floor(min(ys))),
            min(size, math.ceil(max(xs))), min(size, math.ceil(max(ys))))


def icon_image(size):
    """Paints the shapes with the usual "over" blend into rows of RGBA tuples."""
    image = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]
    for shape in icon_shapes(size):
        colour = [c / 255 for c in shape[2]]
        bx0, by0, bx1, by1 = bounds(shape, size)
        for y in range(by0, by1):
            for x in range(bx0, bx1):
                a = coverage(shape, x, y) * colour[3]
                if a == 0:
                    continue
                r, g, b, da = image[y][x]
                out = a + da * (1 - a)
                mix = [(c * a + d * da * (1 - a)) / out for c, d in zip(colour, (r, g, b))]
                image[y][x] = (*mix, out)
    return [[tuple(round(c * 255) for c in pixel) for pixel in row] for row in image]


def icon_png(size):
    image = icon_image(size)
    return png_file(size, size, lambda x, y: image[y][x])


def icon_svg():
    """The scalable icon: the 256-pixel layout as vector shapes."""
    size = 256
    body = []
    for kind, geometry, colour in icon_shapes(size):
        fill = "#%02x%02x%02x" % colour[:3]
        if kind == "rect":
            x0, y0, x1, y1 = geometry
            body.append(f'  <rect x="{x0}" y="{y0}" width="{x1 - x0}" height="{y1 - y0}" '
                        f'fill="{fill}"/>')
        else:
            points = " ".join(f"{x:g},{y:g}" for x, y in ((round(x, 3), round(y, 3))
                                                          for x, y in geometry))
            body.append(f'  <polygon points="{points}" fill="{fill}"/>')
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            f'<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{size}" '
            f'viewBox="0 0 {size} {size}">\n' + "\n".join(body) + "\n</svg>\n")


def write(folder, name, data):
    path = os.path.join(folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    # The outputs go beside this script unless another folder is named, e.g. to compare a fresh
    # drawing with the committed files.
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    write(out, "HAND-M.CUR", cursor_file(HAND, HOT_SPOT))
    # The window icon is the 64-pixel drawing of the icon the desktop shows.
    write(out, "stowfolio.png", icon_png(64))
    for size in ICON_SIZES:
        write(out, f"icons/{ICON_ID}-{size}.png", icon_png(size))
    write(out, f"icons/{ICON_ID}.svg", icon_svg().encode())
