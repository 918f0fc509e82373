#!/usr/bin/env python3
"""Draws the program icon, a golden padlock on a blue tile, and writes it as
resources/quillet.ico with a 32x32 and a 16x16 image (32-bit colour with
alpha, plus the 1-bit mask older systems read).

    python3 scripts/make-icon.py [output.ico]

The shapes are described in a 32-unit square and sampled 4 x 4 times per
pixel, so both sizes come out smooth from the same drawing.
"""
import math
import struct
import sys
from pathlib import Path

SUBSAMPLES = 4


def rounded_rect(x0, y0, x1, y1, radius):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius**2

    return inside


def circle(cx, cy, radius):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius**2


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def shackle(x, y):
    # The padlock's bow: an upper half ring with two legs down into the body.
    if y <= 13:
        d = math.hypot(x - 16, y - 13)
        return 4.4 <= d <= 7.2
    return y <= 17 and (8.8 <= x <= 11.6 or 20.4 <= x <= 23.2)


def vertical(top, bottom, y0, y1):
    def colour(x, y):
        t = min(max((y - y0) / (y1 - y0), 0.0), 1.0)
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))

    return colour


def flat(rgb):
    return lambda x, y: rgb


# Layers from back to front: (shape, colour).
LAYERS = [
    (rounded_rect(1, 1, 31, 31, 6), vertical((52, 110, 190), (24, 58, 118), 1, 31)),
    (shackle, vertical((236, 240, 245), (170, 180, 195), 5, 17)),
    (rounded_rect(6.5, 15, 25.5, 28.5, 2.5), vertical((252, 211, 92), (214, 148, 28), 15, 28.5)),
    (rect(7.5, 16, 24.5, 17), flat((255, 236, 170))),
    (circle(16, 20.5, 2.2), flat((92, 58, 12))),
    (rect(15.1, 20.5, 16.9, 25.5), flat((92, 58, 12))),
]


def render(size):
    """Returns rows (top first) of (r, g, b, a) tuples, 0..255."""
    scale = 32.0 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied colour and alpha
            for sy in range(SUBSAMPLES):
                for sx in range(SUBSAMPLES):
                    x = (px + (sx + 0.5) / SUBSAMPLES) * scale
                    y = (py + (sy + 0.5) / SUBSAMPLES) * scale
                    r = g = b = a = 0.0
                    for inside, colour in LAYERS:
                        if inside(x, y):
                            r, g, b = colour(x, y)
                            a = 1.0
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SUBSAMPLES * SUBSAMPLES
            alpha = acc[3] / n
            if alpha > 0:
                pixel = tuple(round(c / acc[3]) for c in acc[:3]) + (round(alpha * 255),)
            else:
                pixel = (0, 0, 0, 0)
            row.append(pixel)
        rows.append(row)
    return rows


def icon_image(size):
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(rows):  # bottom-up
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    mask = bytearray()
    stride = ((size + 31) // 32) * 4
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + colour + mask


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "resources" / "quillet.ico"
    sizes = [32, 16]
    images = [icon_image(s) for s in sizes]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        data += image
    out.write_bytes(data)
    print(f"wrote {out} ({len(data)} bytes)")


if __name__ == "__main__":
    main()
