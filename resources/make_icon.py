#!/usr/bin/env python3
"""Draws the program icon and writes zirrotone.ico (16, 32 and 48 px).

A white bell on a round indigo-to-teal badge, with three amber sparks that stand for the
random moments it rings at. The 32 x 32 image is stored with a 256-colour palette (the
window and tray icon); the others in 32-bit colour with alpha. Run it again after a change
of the design; the .ico it writes is committed next to it.
"""
import math
import struct
import sys

SUPER = 8  # samples per pixel side


def shade(x, y):
    """Colour (r, g, b, a) of the design at a point of the unit square, y downwards."""
    cx, cy = x - 0.5, y - 0.5
    # Sparks: small four-point stars, upper right.
    for sx, sy, r in ((0.82, 0.16, 0.085), (0.93, 0.34, 0.05), (0.70, 0.07, 0.045)):
        dx, dy = abs(x - sx), abs(y - sy)
        if dx * dy < (r * 0.18) ** 2 and dx + dy < r:
            return (255, 196, 64, 255)
    if math.hypot(cx, cy) > 0.47:
        return (0, 0, 0, 0)
    # Bell: a dome on a flaring body, a lip, and a clapper below.
    bx = abs(x - 0.5)
    top, lip = 0.26, 0.68
    if 0.20 <= y <= top and bx <= 0.035:  # the loop on top
        return (255, 255, 255, 255)
    if top <= y <= lip:
        t = (y - top) / (lip - top)
        half = 0.12 + 0.10 * t * t + 0.06 * math.sqrt(t)
        if t < 0.18:  # round the dome
            half *= math.sqrt(max(0.0, 1 - ((0.18 - t) / 0.18) ** 2)) * 0.45 + 0.55
        if bx <= half:
            # A soft highlight down the left side of the body.
            if x < 0.5 and half - bx < 0.05 and 0.2 < t < 0.9:
                return (214, 228, 255, 255)
            return (255, 255, 255, 255)
    if lip <= y <= lip + 0.05 and bx <= 0.30:
        return (255, 255, 255, 255)
    if math.hypot(x - 0.5, y - (lip + 0.10)) <= 0.06:
        return (255, 196, 64, 255)
    # Badge: indigo at the top left to teal at the bottom right.
    t = max(0.0, min(1.0, (x + y) / 2))
    c0, c1 = (72, 52, 170), (18, 150, 160)
    return tuple(round(a + (b - a) * t) for a, b in zip(c0, c1)) + (255,)


def render(size):
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SUPER):
                for sx in range(SUPER):
                    r, g, b, a = shade((px + (sx + 0.5) / SUPER) / size,
                                       (py + (sy + 0.5) / SUPER) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SUPER * SUPER
            alpha = acc[3] / n
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(c / acc[3]) for c in acc[:3]) + (round(alpha),))
        pixels.append(row)
    return pixels


def and_mask(pixels, threshold):
    size = len(pixels)
    stride = ((size + 31) // 32) * 4
    data = b""
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] < threshold:
                bits[x // 8] |= 0x80 >> (x % 8)
        data += bytes(bits)
    return data


def header(size, bpp, colours):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, 0, 0, 0, colours, 0)


def image_32bpp(pixels):
    size = len(pixels)
    data = b"".join(bytes((p[2], p[1], p[0], p[3])) for row in reversed(pixels) for p in row)
    return header(size, 32, 0) + data + and_mask(pixels, 1)


def image_8bpp(pixels):
    size = len(pixels)
    # Opaque where at least half covered; colours quantised until they fit the palette.
    opaque = [[p[:3] if p[3] >= 128 else None for p in row] for row in pixels]
    step = 1
    while True:
        q = lambda c: tuple(min(255, (v // step) * step + step // 2) for v in c)
        colours = sorted({q(c) for row in opaque for c in row if c is not None})
        if len(colours) < 256:
            break
        step *= 2
    palette = [(0, 0, 0)] + colours
    index = {c: i for i, c in enumerate(palette)}
    stride = (size + 3) // 4 * 4
    data = b""
    for row in reversed(opaque):
        line = bytes(0 if c is None else index[q(c)] for c in row)
        data += line + bytes(stride - size)
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette) + bytes(4 * (256 - len(palette)))
    return header(size, 8, 256) + pal + data + and_mask(pixels, 128)


def main(out):
    images = [(16, image_32bpp(render(16)), 32), (32, image_8bpp(render(32)), 8),
              (48, image_32bpp(render(48)), 32)]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    blobs = b""
    for size, blob, bpp in images:
        directory += struct.pack("<BBBBHHII", size, size, 0, 0, 1, bpp, len(blob), offset)
        offset += len(blob)
        blobs += blob
    with open(out, "wb") as f:
        f.write(directory + blobs)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "zirrotone.ico")
