#!/usr/bin/env python3
"""Draws the program icon, a white "T" on an ochre square, and writes it as
resources/icons/tavrinole-<size>.png (16, 32, 48, 256) for the Linux desktop and as
resources/tavrinole.ico (the program icon group) for Windows.

Only the standard library: a fresh machine has no imaging package. The output is the
same bytes on every run, so the committed files can be checked by running it again.
Usage: scripts/make-icon.py [RESOURCES_DIR]
"""

import os
import struct
import sys
import zlib

SIZES = (16, 32, 48, 256)
BMP_SIZES = (16, 32, 48)  # older Windows reads only bitmaps at these sizes; 256 is PNG

OCHRE = (204, 119, 34)
OCHRE_EDGE = (150, 84, 18)
WHITE = (255, 255, 255)

# The design on a unit square: corner radius, edge width, and the T as two boxes
# (left, top, right, bottom).
CORNER = 0.14
EDGE = 0.06
T_BAR = (0.17, 0.18, 0.83, 0.36)
T_STEM = (0.39, 0.18, 0.61, 0.84)
SAMPLES = 4  # per axis and pixel, for smooth edges


def inside_box(box, x, y):
    left, top, right, bottom = box
    return left <= x < right and top <= y < bottom


def inside_rounded_square(x, y, inset):
    """Whether (x, y) lies in the unit square shrunk by inset, with rounded corners."""
    radius = CORNER - inset
    low, high = inset + radius, 1.0 - inset - radius
    dx = max(low - x, 0.0, x - high)
    dy = max(low - y, 0.0, y - high)
    if x < inset or x >= 1.0 - inset or y < inset or y >= 1.0 - inset:
        return False
    return dx * dx + dy * dy <= radius * radius


def sample(x, y):
    """The colour at a point of the unit square, or None where the icon is transparent."""
    if not inside_rounded_square(x, y, 0.0):
        return None
    if inside_box(T_BAR, x, y) or inside_box(T_STEM, x, y):
        return WHITE
    if not inside_rounded_square(x, y, EDGE):
        return OCHRE_EDGE
    return OCHRE


def pixel(size, px, py):
    """RGBA of one pixel: the average of its covered samples, alpha the coverage."""
    total = [0, 0, 0]
    covered = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            colour = sample((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size)
            if colour is None:
                continue
            covered += 1
            for i in range(3):
                total[i] += colour[i]
    if covered == 0:
        return (0, 0, 0, 0)
    rgb = tuple((total[i] + covered // 2) // covered for i in range(3))
    return rgb + ((covered * 255 + SAMPLES * SAMPLES // 2) // (SAMPLES * SAMPLES),)


def draw(size):
    """Rows from the top, each a list of RGBA tuples."""
    return [[pixel(size, x, y) for x in range(size)] for y in range(size)]


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_bytes(rows):
    size = len(rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA, no interlace
    raw = b"".join(b"\x00" + bytes(c for p in row for c in p) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
            png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))


def bmp_bytes(rows):
    """An icon image as Windows stores it: a 32-bit DIB of doubled height, bottom row
    first, then the 1-bit AND mask (set where the icon is transparent)."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((p[2], p[1], p[0], p[3])) for row in reversed(rows) for p in row)
    stride = (size + 31) // 32 * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + colour + mask


def ico_bytes(images):
    """images: (size, bytes) pairs. ICONDIR, one entry per image, then the images."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries, data = b"", b""
    for size, image in images:
        side = size if size < 256 else 0  # 0 stands for 256
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
        data += image
    return directory + entries + data


def write(path, data):
    with open(path, "wb") as out:
        out.write(data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    resources = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources")
    icons = os.path.join(resources, "icons")
    os.makedirs(icons, exist_ok=True)
    ico_images = []
    for size in SIZES:
        rows = draw(size)
        png = png_bytes(rows)
        write(os.path.join(icons, "tavrinole-%d.png" % size), png)
        ico_images.append((size, bmp_bytes(rows) if size in BMP_SIZES else png))
    write(os.path.join(resources, "tavrinole.ico"), ico_bytes(ico_images))


if __name__ == "__main__":
    main()
