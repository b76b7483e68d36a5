#!/usr/bin/env python3
"""Draws the program icons and writes them next to this file.

A white bell on a round blue-to-teal badge; from 32 px on, two amber sparks stand for the
random moments it rings at. Three icons, each with images of 16, 20, 24, 32, 40, 48, 64 and
256 px: zirrotone.ico (the program), zirrotone_muted.ico (a red slash across the bell) and
zirrotone_quiet.ico (a crescent moon on a night-blue badge, lower right).

Each size is drawn for itself: up to 24 px the bell, the slash and the moon are pixel
patterns whose edges lie on the pixel grid, so the small tray icon stays sharp; larger
sizes are drawn smoothly with the lip on whole pixels. The disc's colours sit halfway
between a light and a dark taskbar, so it stands out on both. The 256 px image is stored PNG-compressed,
the others as 32-bit colour with alpha.

    make_icon.py                 writes the three .ico files
    make_icon.py --preview F     writes F: every image on a light (#f3f3f3) and a dark
                                 (#1c1c1c) taskbar, the 16 and 24 px ones enlarged 8 times
Run it again after a change of the design; the .ico files it writes are committed.
"""
import math
import os
import struct
import sys
import zlib

SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
VARIANTS = ("normal", "muted", "quiet")
FILES = {"normal": "zirrotone.ico", "muted": "zirrotone_muted.ico", "quiet": "zirrotone_quiet.ico"}

WHITE = (255, 255, 255)
AMBER = (255, 196, 64)
RED = (232, 44, 44)
NIGHT = (30, 36, 92)
MOON = (255, 226, 130)
DISC_FROM, DISC_TO = (58, 106, 226), (12, 150, 164)  # top left, bottom right

# The bell of the small sizes, row by row from its top: the half-width of each row in
# pixels about the centre line (a .5 gives the outer columns half cover), "lip" for the
# lip's rows, and where the clapper goes.
SMALL_BELLS = {
    16: {"top": 2, "rows": [1, 2, 3, 3, 3, 3, 3.5, 4, 4], "lip": (6, 1), "clapper": (1, 1)},
    20: {"top": 2, "rows": [1, 2.5, 3.5, 4, 4, 4, 4, 4.5, 5, 5.5], "lip": (8, 2), "clapper": (1, 2)},
    24: {"top": 3, "rows": [1, 3, 4, 4.5, 5, 5, 5, 5, 5.5, 6, 6.5, 7], "lip": (9, 2), "clapper": (1, 2)},
}

# The crescent where the quiet badge has too few pixels for circles to draw one: M is lit.
SMALL_MOONS = {
    16: ["....M....",
         "..MM.....",
         "..MM.....",
         ".MM......",
         ".MM......",
         ".MMM...M.",
         "..MMMMMM.",
         "...MMMM..",
         "........."],
    20: ["...........",
         ".....M.....",
         "...MM......",
         "..MM.......",
         "..MM.......",
         ".MMM.......",
         ".MMM....M..",
         "..MMM..MM..",
         "..MMMMMMM..",
         "....MMMM...",
         "..........."],
    24: [".............",
         "......MM.....",
         "....MMM......",
         "...MMM.......",
         "..MMM........",
         "..MMM........",
         "..MMM........",
         "..MMMM....M..",
         "..MMMM...MM..",
         "...MMMMMMMM..",
         "....MMMMMM...",
         "......MM.....",
         "............."],
}


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


class Canvas:
    """An RGBA image in floats, painted with shapes given as cover functions."""

    def __init__(self, size):
        self.size = size
        self.sup = 8 if size <= 64 else 3  # samples per pixel side
        self.px = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]

    def covered(self, inside):
        """Each pixel that inside(x, y) touches, with the share of it that it covers."""
        k = self.sup
        for py in range(self.size):
            for px in range(self.size):
                hits = sum(inside(px + (sx + 0.5) / k, py + (sy + 0.5) / k)
                           for sy in range(k) for sx in range(k))
                if hits:
                    yield px, py, hits / (k * k)

    def paint(self, inside, colour):
        """Paints colour where inside(x, y) holds; colour is a tuple or a function of (x, y)."""
        for px, py, share in self.covered(inside):
            c = colour(px + 0.5, py + 0.5) if callable(colour) else colour
            self.over(px, py, c, share)

    def over(self, x, y, colour, alpha):
        r, g, b, a = self.px[y][x]
        out = alpha + a * (1 - alpha)
        if out == 0:
            return
        blend = [(c * alpha + d * a * (1 - alpha)) / out for c, d in zip(colour, (r, g, b))]
        self.px[y][x] = (*blend, out)

    def clear(self, inside):
        """Makes transparent what inside(x, y) covers (in proportion to its cover)."""
        for px, py, share in self.covered(inside):
            r, g, b, a = self.px[py][px]
            self.px[py][px] = (r, g, b, a * (1 - share))

    def rgba(self):
        return [[tuple(round(max(0.0, min(255.0, v))) for v in p[:3]) + (round(p[3] * 255),) for p in row]
                for row in self.px]


def disc_colour(size):
    return lambda x, y: mix(DISC_FROM, DISC_TO, max(0.0, min(1.0, (x + y) / (2 * size))))


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def small_bell(size):
    """The bell of a small size as (inside, clapper): shapes on whole pixel rows."""
    shape = SMALL_BELLS[size]
    c = size / 2
    rows = {shape["top"] + i: h for i, h in enumerate(shape["rows"])}
    lip_half, lip_rows = shape["lip"]
    lip_top = shape["top"] + len(shape["rows"])
    for i in range(lip_rows):
        rows[lip_top + i] = lip_half
    clap_half, clap_rows = shape["clapper"]
    clap_top = lip_top + lip_rows + 1

    def bell(x, y):
        h = rows.get(int(y))
        return h is not None and abs(x - c) <= h

    def clapper(x, y):
        return clap_top <= y < clap_top + clap_rows and abs(x - c) <= clap_half

    return bell, clapper


def smooth_bell(size):
    """The bell of the larger sizes: a dome on a flaring body, the lip on whole pixels."""
    c = size / 2
    top = round(0.22 * size)
    lip = round(0.66 * size)
    lip_h = max(2, round(0.06 * size))
    knob_w = max(1, round(0.035 * size))
    knob_top = top - max(2, round(0.06 * size))

    def bell(x, y):
        bx = abs(x - c)
        if knob_top <= y < top + 1 and bx <= knob_w:
            return True
        if top <= y < lip:
            t = (y - top) / (lip - top)
            half = (0.12 + 0.10 * t * t + 0.07 * math.sqrt(t)) * size
            if t < 0.2:  # round the dome
                half *= math.sqrt(max(0.0, 1 - ((0.2 - t) / 0.2) ** 2)) * 0.5 + 0.5
            return bx <= half
        return lip <= y < lip + lip_h and bx <= 0.31 * size

    clap_r = 0.065 * size
    clap_y = lip + lip_h + clap_r * 0.55
    return bell, circle(c, clap_y, clap_r)


def spark(cx, cy, r):
    """A four-point star."""
    def inside(x, y):
        dx, dy = abs(x - cx), abs(y - cy)
        return dx + dy < r and dx * dy < (r * 0.16) ** 2
    return inside


def draw(size, variant):
    cv = Canvas(size)
    c = size / 2
    cv.paint(circle(c, c, c), disc_colour(size))
    bell, clapper = small_bell(size) if size in SMALL_BELLS else smooth_bell(size)
    cv.paint(bell, WHITE)
    cv.paint(clapper, AMBER)
    if size >= 32:
        for sx, sy, r in ((0.76, 0.25, 0.12), (0.86, 0.42, 0.07)):
            cv.paint(spark(sx * size, sy * size, r * size), AMBER)
    if variant == "muted":
        draw_slash(cv)
    elif variant == "quiet":
        draw_moon(cv)
    return cv.rgba()


def draw_slash(cv):
    """A red slash from upper left to lower right, parted from the bell by a gap of disc."""
    size = cv.size
    width = max(2, round(size / 8))
    gap = max(1, round(size / 16))
    c = size / 2
    reach = c - max(1.5, size * 0.1)
    # Inside the disc with a margin; on the grid for the small sizes (whole pixels).
    if size in SMALL_BELLS:
        # Pixels (x, y) of the slash go in pairs along x + y: an odd span ends both rows together.
        span = 2 * round(reach / math.sqrt(2)) - 1
        along = lambda x, y: abs(math.floor(x) + math.floor(y) - (size - 1)) <= span
        band = lambda a, b: lambda x, y: along(x, y) and a <= math.floor(x) - math.floor(y) < b
        lo, hi = -(width // 2), width - width // 2
    else:
        along = lambda x, y: abs((x + y) / 2 - c) * math.sqrt(2) <= reach
        band = lambda a, b: lambda x, y: along(x, y) and a <= (x - y) / math.sqrt(2) < b
        lo, hi = -width / 2, width / 2
    cv.paint(band(lo - gap, lo), disc_colour(size))
    cv.paint(band(hi, hi + gap), disc_colour(size))
    cv.paint(band(lo, hi), RED)


def draw_moon(cv):
    """A crescent moon on a night-blue badge in the lower right, with a clear ring about it."""
    size = cv.size
    rows = SMALL_MOONS.get(size)
    # A badge on whole pixels where the moon is a pattern: as many pixels across as it has.
    r = len(rows) / 2 if rows else size * 0.30
    cx = cy = size - r
    cv.clear(circle(cx, cy, r + max(1.0, size / 24)))
    cv.paint(circle(cx, cy, r), NIGHT)
    if rows:
        # Too small for circles to make a crescent: a pattern on the badge's pixels.
        lit = {(size - len(row) + x, size - len(rows) + y)
               for y, row in enumerate(rows) for x, ch in enumerate(row) if ch == "M"}
        cv.paint(lambda x, y: (math.floor(x), math.floor(y)) in lit, MOON)
        return
    m = r * 0.72
    cut = circle(cx + m * 0.55, cy - m * 0.385, m * 0.85)
    moon = circle(cx - r * 0.08, cy + r * 0.05, m)
    cv.paint(lambda x, y: moon(x, y) and not cut(x, y), MOON)


# Files ------------------------------------------------------------------------------------


def png(pixels):
    h, w = len(pixels), len(pixels[0])
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def bmp_image(pixels):
    size = len(pixels)
    head = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    data = b"".join(bytes((p[2], p[1], p[0], p[3])) for row in reversed(pixels) for p in row)
    stride = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return head + data + mask


def write_ico(path, images):
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    blobs = b""
    for size, pixels in images:
        blob = png(pixels) if size >= 256 else bmp_image(pixels)
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs += blob
    with open(path, "wb") as f:
        f.write(directory + blobs)


def preview(path, drawn):
    """Every variant in rows: light then dark taskbar; 16 and 24 px enlarged 8 times."""
    scale = 8
    backgrounds = ((243, 243, 243), (28, 28, 28))
    pad = 8
    cells = []  # (size, zoom)
    for size in SIZES:
        cells.append((size, 1))
    for size in (16, 24):
        cells.append((size, scale))
    width = pad + sum(s * z + pad for s, z in cells)
    row_h = max(s * z for s, z in cells) + 2 * pad
    height = row_h * len(VARIANTS) * len(backgrounds)
    out = [[(0, 0, 0, 255)] * width for _ in range(height)]
    for vi, variant in enumerate(VARIANTS):
        for bi, bg in enumerate(backgrounds):
            top = (vi * len(backgrounds) + bi) * row_h
            for y in range(top, top + row_h):
                out[y] = [bg + (255,)] * width
            x0 = pad
            for size, zoom in cells:
                pixels = drawn[variant][size]
                for y in range(size * zoom):
                    for x in range(size * zoom):
                        r, g, b, a = pixels[y // zoom][x // zoom]
                        t = a / 255
                        out[top + pad + y][x0 + x] = tuple(round(c * t + k * (1 - t)) for c, k in zip((r, g, b), bg)) + (255,)
                x0 += size * zoom + pad
    with open(path, "wb") as f:
        f.write(png(out))


def main(args):
    drawn = {v: {s: draw(s, v) for s in SIZES} for v in VARIANTS}
    if args[:1] == ["--preview"]:
        preview(args[1], drawn)
        return
    here = os.path.dirname(os.path.abspath(__file__))
    for variant in VARIANTS:
        write_ico(os.path.join(here, FILES[variant]), [(s, drawn[variant][s]) for s in SIZES])


if __name__ == "__main__":
    main(sys.argv[1:])
