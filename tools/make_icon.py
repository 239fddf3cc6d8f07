#!/usr/bin/env python3
"""Draws the Quillfern icon: three touch contacts in their palette colours on a dark tile.

Writes resources/Quillfern.ico with 16, 24, 32, 48 and 256 pixel images (the largest as PNG).
Run it again after changing the drawing; the result is committed.
"""
import math
import os
import struct
import sys
import zlib

# (centre x, centre y, radius) in a unit square, with the slot colours of contacts 0, 1 and 5.
CONTACTS = [
    (0.34, 0.36, 0.20, (255, 0, 0)),
    (0.68, 0.42, 0.17, (255, 128, 0)),
    (0.45, 0.70, 0.16, (0, 0, 255)),
]
TILE = (24, 24, 40)
EDGE = (90, 90, 140)


def pixel(u, v):
    """Colour and alpha at the unit-square point (u, v), without anti-aliasing."""
    corner = 0.18
    dx = max(corner - u, 0, u - (1 - corner))
    dy = max(corner - v, 0, v - (1 - corner))
    if dx * dx + dy * dy > corner * corner:
        return (0, 0, 0, 0)
    colour = TILE
    if math.hypot(dx, dy) > corner - 0.035 or min(u, v, 1 - u, 1 - v) < 0.035:
        colour = EDGE
    for cx, cy, r, c in CONTACTS:
        d = math.hypot(u - cx, v - cy)
        if d <= r:
            colour = (0, 0, 0) if d > r - 0.025 else c
    return colour + (255,)


def render(size):
    """RGBA rows, top first, 4x4 supersampled."""
    rows = []
    n = 4
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = pixel((x + (sx + 0.5) / n) / size, (y + (sy + 0.5) / n) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3] / (n * n)
            if acc[3]:
                row.append((round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]), round(alpha)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def bmp_image(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    return header + pixels + b"\0" * (mask_row * size)


def png_image(rows):
    size = len(rows)
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "resources", "Quillfern.ico")
    images = [(s, bmp_image(render(s))) for s in (16, 24, 32, 48)] + [(256, png_image(render(256)))]
    offset = 6 + 16 * len(images)
    directory = b""
    for size, data in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(out, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + directory + b"".join(d for _, d in images))


if __name__ == "__main__":
    main()
