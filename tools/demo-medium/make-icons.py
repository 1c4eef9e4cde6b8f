#!/usr/bin/env python3
"""Draws the demo medium's icons: the viewer's two (viewer.ico, document.ico)
and the two file types' (maptl.ico: a map image, maptldb.ico: an object
database). make-icons.py OUTPUT_FOLDER"""

import math
import os
import struct
import sys

PAPER, LAND, WATER = (250, 244, 222), (176, 214, 150), (70, 130, 210)
CONTOUR, ROAD, INK, DB = (160, 110, 60), (200, 40, 40), (40, 40, 40), (90, 90, 170)


def ico(images):
    """An .ico file of square 32-bit images, each a list of rows of (r,g,b,a)."""
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for pixels in images:
        n = len(pixels)
        mask_row = ((n + 31) // 32) * 4
        blob = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
        for row in reversed(pixels):
            blob += b"".join(struct.pack("BBBB", b, g, r, a) for r, g, b, a in row)
        for row in reversed(pixels):
            bits = 0
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    bits |= 1 << (mask_row * 8 - 1 - x)
            blob += bits.to_bytes(mask_row, "big")
        entries += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(blob),
                               offset + len(blobs))
        blobs += blob
    return head + entries + blobs


def render(paint, size):
    """paint(u, v) -> (r,g,b,a) or None (transparent), u and v in 0..1."""
    return [[paint((x + 0.5) / size, (y + 0.5) / size) or (0, 0, 0, 0) for x in range(size)]
            for y in range(size)]


def sheet(u, v):
    """A map sheet: land, a river, contour rings and a road."""
    if not (0.06 < u < 0.94 and 0.06 < v < 0.94):
        return None
    if min(u - 0.06, 0.94 - u, v - 0.06, 0.94 - v) < 0.04:
        return INK + (255,)
    if abs(v - (0.55 + 0.18 * math.sin(u * 6.0))) < 0.06:
        return WATER + (255,)
    if abs(u - 0.7) < 0.03:
        return ROAD + (255,)
    ring = math.hypot(u - 0.35, v - 0.32) * 14
    if abs(ring - round(ring)) < 0.18 and ring < 4:
        return CONTOUR + (255,)
    return LAND + (255,)


def database(u, v):
    """A map sheet behind a database cylinder."""
    if 0.35 < u < 0.95 and 0.3 < v < 0.95:
        top = abs(v - 0.38) < 0.08 * math.sqrt(max(0.0, 1 - ((u - 0.65) / 0.3) ** 2))
        band = any(abs(v - b) < 0.025 for b in (0.6, 0.78))
        return (PAPER if top else INK if band else DB) + (255,)
    return sheet(u * 1.3, v * 1.3) if u < 0.72 and v < 0.72 else None


def compass(u, v):
    """The viewer: a compass rose over a round map."""
    d = math.hypot(u - 0.5, v - 0.5)
    if d > 0.47:
        return None
    if d > 0.42:
        return INK + (255,)
    ax, ay = abs(u - 0.5), abs(v - 0.5)
    if ax * 4 + ay < 0.38:  # the needle: red to the north
        return (ROAD if v < 0.5 else PAPER) + (255,)
    if ay * 4 + ax < 0.25:
        return INK + (255,)
    return (WATER if v > 0.62 + 0.05 * math.sin(u * 9) else LAND) + (255,)


def document(u, v):
    """A folded map: the icon of the viewer's documents."""
    if not (0.12 < u < 0.88 and 0.08 < v < 0.92):
        return None
    fold = int((u - 0.12) / 0.76 * 3)
    shade = 0.85 if fold == 1 else 1.0
    r, g, b, a = sheet(0.1 + (u - 0.12) / 0.76 * 0.8, 0.1 + (v - 0.08) / 0.84 * 0.8) or PAPER + (255,)
    return (int(r * shade), int(g * shade), int(b * shade), a)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, paint in (("viewer", compass), ("document", document), ("maptl", sheet),
                        ("maptldb", database)):
        with open(os.path.join(out, name + ".ico"), "wb") as f:
            f.write(ico([render(paint, 32), render(paint, 16)]))


if __name__ == "__main__":
    main()
