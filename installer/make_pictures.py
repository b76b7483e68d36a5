#!/usr/bin/env python3
"""Draws the installer's pictures: the side picture of the welcome and finish pages
(wizard.bmp) and the picture in the header of the other pages (header.bmp).

They are drawn at the size the pages take at 144 DPI (164 x 314 and 150 x 57 at 96 DPI,
times one and a half), so that they stay crisp there; the installer scales them down at
96 DPI. The motif is the program icon's: a white bell with amber sparks, on indigo turning
to teal. Run it again after a change of the design; the bitmaps it writes are committed
next to it.
"""
import math
import os
import struct
import sys

SUPER = 4  # samples per pixel side
INDIGO, TEAL = (72, 52, 170), (18, 150, 160)
WHITE, AMBER = (255, 255, 255), (255, 196, 64)


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def bell(x, y):
    """The bell's colour at a point of its unit square (y downwards), or None."""
    bx = abs(x - 0.5)
    top, lip = 0.12, 0.74
    if 0.04 <= y <= top + 0.02 and math.hypot(bx, (y - 0.075) * 1.2) <= 0.06 and \
            math.hypot(bx, (y - 0.075) * 1.2) >= 0.03:
        return WHITE  # the loop it hangs from
    if top <= y <= lip:
        t = (y - top) / (lip - top)
        half = 0.14 + 0.12 * t * t + 0.07 * math.sqrt(t)
        if t < 0.2:  # round the dome
            half *= math.sqrt(max(0.0, 1 - ((0.2 - t) / 0.2) ** 2)) * 0.45 + 0.55
        if bx <= half:
            if x < 0.5 and half - bx < 0.045 and 0.2 < t < 0.9:
                return (214, 228, 255)  # a soft highlight down the left side
            return WHITE
    if lip <= y <= lip + 0.06 and bx <= 0.36 - (y - lip) * 0.5:
        return WHITE
    if math.hypot(x - 0.5, y - (lip + 0.13)) <= 0.075:
        return AMBER  # the clapper
    return None


def spark(x, y, sx, sy, r):
    """A four-point star of radius r at (sx, sy)."""
    dx, dy = abs(x - sx), abs(y - sy)
    return dx * dy < (r * 0.18) ** 2 and dx + dy < r


def side(x, y, w, h):
    """The side picture at pixel point (x, y) of a w x h image."""
    u, v = x / w, y / h
    colour = mix(INDIGO, TEAL, v * 0.85 + u * 0.15)
    # The bell, in the upper part, with rings of sound spreading from it.
    size = w * 0.56
    left, top = (w - size) / 2, h * 0.14
    bu, bv = (x - left) / size, (y - top) / size
    inside = bell(bu, bv) if 0 <= bu <= 1 and 0 <= bv <= 1 else None
    if inside:
        return inside
    for sx, sy, r in ((0.88, 0.02, 0.09), (1.0, 0.2, 0.055), (0.7, -0.06, 0.05)):
        if spark(bu, bv, sx, sy, r):
            return AMBER
    d = math.hypot(bu - 0.5, (bv - 0.5) * 0.9)
    for ring in (0.62, 0.78, 0.94):
        if abs(d - ring) < 0.018 and abs(bu - 0.5) > 0.3:
            return mix(colour, WHITE, 0.35 * (1.2 - ring))
    return colour


def header(x, y, w, h):
    """The header picture: the badge of the icon at the right, on the header's white."""
    d = h * 0.86
    cx, cy = w - h * 0.55, h / 2
    if math.hypot(x - cx, y - cy) > d / 2:
        return WHITE
    u, v = (x - cx) / d + 0.5, (y - cy) / d + 0.5
    bu, bv = (u - 0.2) / 0.6, (v - 0.16) / 0.6
    inside = bell(bu, bv) if 0 <= bu <= 1 and 0 <= bv <= 1 else None
    if inside:
        return inside
    for sx, sy, r in ((0.95, 0.1, 0.14), (1.12, 0.34, 0.08)):
        if spark(bu, bv, sx, sy, r):
            return AMBER
    return mix(INDIGO, TEAL, (u + v) / 2)


def render(shade, w, h):
    rows = []
    for py in range(h):
        row = bytearray()
        for px in range(w):
            acc = [0.0, 0.0, 0.0]
            for sy in range(SUPER):
                for sx in range(SUPER):
                    c = shade(px + (sx + 0.5) / SUPER, py + (sy + 0.5) / SUPER, w, h)
                    for i in range(3):
                        acc[i] += c[i]
            n = SUPER * SUPER
            r, g, b = (min(255, round(a / n)) for a in acc)
            row += bytes((b, g, r))
        row += bytes(-len(row) % 4)
        rows.append(bytes(row))
    return rows


def write_bmp(path, rows, w, h):
    """A plain 24-bit bottom-up BMP, the form the installer loads."""
    data = b"".join(reversed(rows))
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 54 + len(data), 0, 0, 54))
        f.write(struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 5669, 5669, 0, 0))
        f.write(data)


def main(folder):
    for name, shade, w, h in (("wizard.bmp", side, 246, 471), ("header.bmp", header, 225, 86)):
        write_bmp(os.path.join(folder, name), render(shade, w, h), w, h)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__)))
