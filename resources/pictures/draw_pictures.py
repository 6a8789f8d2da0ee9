#!/usr/bin/env python3
"""Draws every picture of the resource module as a 24-bit BMP beside this file.

Only the standard library: shapes are filled at four times the size and then
averaged down, so edges are smooth. Pictures with a transparent background use
magenta (255, 0, 255); their edge pixels are blended with white, the colour
they are shown on, and pixels that are mostly background stay pure magenta so
that the image lists' masks stay clean.

Regenerate (and commit the .bmp files) after changing a picture:

    python3 resources/pictures/draw_pictures.py
"""

import math
import os
import struct

SCALE = 4
MAGENTA = (255, 0, 255)

# One palette for every picture.
INK = (52, 60, 74)
OUTLINE = (96, 108, 128)
PAPER = (252, 252, 250)
PAPER_SHADE = (226, 231, 238)
LINE = (150, 160, 176)
BLUE = (42, 112, 204)
BLUE_LIGHT = (150, 192, 240)
SKY = (120, 186, 236)
GREEN = (58, 160, 92)
GREEN_DARK = (36, 118, 66)
ORANGE = (240, 150, 40)
YELLOW = (248, 204, 60)
RED = (214, 72, 60)
PURPLE = (130, 90, 190)
GREY = (128, 132, 140)
GREY_LIGHT = (196, 200, 206)
BLACK = (30, 32, 36)
WHITE = (255, 255, 255)
BROWN = (160, 110, 64)


class Canvas:
    """A picture of w x h pixels drawn at SCALE times the size."""

    def __init__(self, w, h, background=None):
        self.w, self.h = w, h
        self.sw, self.sh = w * SCALE, h * SCALE
        self.rows = [[background] * self.sw for _ in range(self.sh)]
        self.zoom = None  # (factor, centre x, centre y) applied to every shape

    def shrink_about(self, factor, cx, cy):
        self.zoom = (factor, cx, cy)

    # Even-odd fill of one or more closed outlines, in picture pixels.
    def polygon(self, points, colour, holes=()):
        outlines = [points] + list(holes)
        if self.zoom:
            f, cx, cy = self.zoom
            outlines = [[(cx + (x - cx) * f, cy + (y - cy) * f) for x, y in o] for o in outlines]
        edges = []
        for outline in outlines:
            n = len(outline)
            for i in range(n):
                x0, y0 = outline[i]
                x1, y1 = outline[(i + 1) % n]
                if y0 != y1:
                    edges.append((x0 * SCALE, y0 * SCALE, x1 * SCALE, y1 * SCALE))
        if not edges:
            return
        ymin = max(0, int(min(min(e[1], e[3]) for e in edges)))
        ymax = min(self.sh - 1, int(max(max(e[1], e[3]) for e in edges)) + 1)
        for sy in range(ymin, ymax + 1):
            yc = sy + 0.5
            xs = []
            for x0, y0, x1, y1 in edges:
                if (y0 <= yc < y1) or (y1 <= yc < y0):
                    xs.append(x0 + (yc - y0) * (x1 - x0) / (y1 - y0))
            xs.sort()
            row = self.rows[sy]
            for k in range(0, len(xs) - 1, 2):
                a = max(0, int(math.ceil(xs[k] - 0.5)))
                b = min(self.sw, int(math.ceil(xs[k + 1] - 0.5)))
                if b > a:
                    row[a:b] = [colour] * (b - a)

    def rect(self, x0, y0, x1, y1, colour):
        self.polygon([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], colour)

    def rounded(self, x0, y0, x1, y1, r, colour):
        self.polygon(rounded_points(x0, y0, x1, y1, r), colour)

    def framed(self, x0, y0, x1, y1, r, fill, edge=OUTLINE, width=1.0):
        self.rounded(x0, y0, x1, y1, r, edge)
        self.rounded(x0 + width, y0 + width, x1 - width, y1 - width, max(0.0, r - width), fill)

    def ellipse(self, cx, cy, rx, ry, colour):
        self.polygon(ellipse_points(cx, cy, rx, ry), colour)

    def circle(self, cx, cy, r, colour):
        self.ellipse(cx, cy, r, r, colour)

    def line(self, points, width, colour, round_ends=True):
        half = width / 2.0
        for (x0, y0), (x1, y1) in zip(points, points[1:]):
            dx, dy = x1 - x0, y1 - y0
            length = math.hypot(dx, dy)
            if length == 0:
                continue
            nx, ny = -dy / length * half, dx / length * half
            self.polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)], colour)
        if round_ends:
            for x, y in points:
                self.circle(x, y, half, colour)

    def arc(self, cx, cy, r, a0, a1, width, colour, steps=32):
        pts = [(cx + r * math.cos(math.radians(a0 + (a1 - a0) * i / steps)),
                cy + r * math.sin(math.radians(a0 + (a1 - a0) * i / steps))) for i in range(steps + 1)]
        self.line(pts, width, colour)
        return pts

    def text_lines(self, x0, y0, x1, count, gap, colour=LINE, width=1.6, short_last=True):
        for i in range(count):
            end = x1 if not (short_last and i == count - 1) else x0 + (x1 - x0) * 0.6
            self.line([(x0, y0 + i * gap), (end, y0 + i * gap)], width, colour)

    def pixels(self, transparent):
        """Averages each SCALE x SCALE block into one pixel, top row first."""
        out = []
        n = SCALE * SCALE
        for y in range(self.h):
            block_rows = self.rows[y * SCALE:(y + 1) * SCALE]
            row = []
            for x in range(self.w):
                r = g = b = covered = 0
                for sub in block_rows:
                    for c in sub[x * SCALE:(x + 1) * SCALE]:
                        if c is not None:
                            r += c[0]
                            g += c[1]
                            b += c[2]
                            covered += 1
                if covered * 3 < n and transparent:
                    row.append(MAGENTA)
                    continue
                back = n - covered
                row.append(((r + 255 * back) // n, (g + 255 * back) // n, (b + 255 * back) // n))
            out.append(row)
        return out


def rounded_points(x0, y0, x1, y1, r, steps=6):
    r = max(0.0, min(r, (x1 - x0) / 2.0, (y1 - y0) / 2.0))
    if r == 0:
        return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]
    pts = []
    for cx, cy, start in ((x1 - r, y0 + r, -90), (x1 - r, y1 - r, 0), (x0 + r, y1 - r, 90), (x0 + r, y0 + r, 180)):
        for i in range(steps + 1):
            a = math.radians(start + 90.0 * i / steps)
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def ellipse_points(cx, cy, rx, ry, steps=48):
    return [(cx + rx * math.cos(2 * math.pi * i / steps), cy + ry * math.sin(2 * math.pi * i / steps))
            for i in range(steps)]


def rotate(points, cx, cy, degrees):
    a = math.radians(degrees)
    c, s = math.cos(a), math.sin(a)
    return [(cx + (x - cx) * c - (y - cy) * s, cy + (x - cx) * s + (y - cy) * c) for x, y in points]


def write_bmp(path, pixels):
    h = len(pixels)
    w = len(pixels[0])
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


# ---------------------------------------------------------------------------
# Mode pictures, 91 x 81: an object in the middle, a small badge bottom right
# for the kind of scan where it helps tell two modes apart.

def page(c, x0, y0, x1, y1, fold=7.0, fill=PAPER):
    """A sheet with a folded corner."""
    outer = [(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)]
    c.polygon([(x + 1.5, y + 1.5) for x, y in outer], PAPER_SHADE)
    c.polygon(outer, OUTLINE)
    c.polygon([(x0 + 1, y0 + 1), (x1 - fold - 0.4, y0 + 1), (x1 - 1, y0 + fold + 0.4), (x1 - 1, y1 - 1),
               (x0 + 1, y1 - 1)], fill)
    c.polygon([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)], OUTLINE)
    c.polygon([(x1 - fold + 1, y0 + 2.2), (x1 - fold + 1, y0 + fold - 1), (x1 - 2.2, y0 + fold - 1)], PAPER_SHADE)


def badge_colour(c, x, y):
    """Three overlapping discs: colour."""
    c.circle(x, y, 10.5, WHITE)
    c.circle(x - 3.5, y - 2.5, 5.2, RED)
    c.circle(x + 3.5, y - 2.5, 5.2, GREEN)
    c.circle(x, y + 3.5, 5.2, BLUE)


def badge_grey(c, x, y):
    c.circle(x, y, 10.5, WHITE)
    c.circle(x, y, 9, GREY)
    c.polygon([(x + 9 * math.cos(math.radians(a)), y + 9 * math.sin(math.radians(a))) for a in range(-90, 91, 10)],
              GREY_LIGHT)


def badge_bw(c, x, y):
    c.circle(x, y, 10.5, WHITE)
    c.circle(x, y, 9, BLACK)
    c.polygon([(x, y - 9)] + [(x + 9 * math.cos(math.radians(a)), y + 9 * math.sin(math.radians(a)))
                              for a in range(-90, 91, 10)], WHITE)
    c.arc(x, y, 8.6, 0, 360, 1.2, BLACK, 48)


def document(c, colour):
    page(c, 24, 8, 62, 68)
    c.rect(29, 15, 45, 18, colour)
    c.text_lines(29, 25, 56, 4, 5, LINE)
    c.rect(29, 46, 43, 58, BLUE_LIGHT if colour != BLACK else GREY_LIGHT)
    c.text_lines(46, 48, 56, 3, 5, LINE, short_last=False)


def mode_new(c):
    page(c, 24, 8, 62, 68)
    c.circle(58, 56, 13, WHITE)
    c.circle(58, 56, 11.5, GREEN)
    c.line([(58, 50), (58, 62)], 3.2, WHITE)
    c.line([(52, 56), (64, 56)], 3.2, WHITE)


def mode_colour_document(c):
    document(c, BLUE)
    badge_colour(c, 67, 58)


def landscape(c, x0, y0, x1, y1, sky=SKY, hill=GREEN, hill2=GREEN_DARK, sun=YELLOW):
    c.rect(x0, y0, x1, y1, sky)
    w, h = x1 - x0, y1 - y0
    c.circle(x0 + w * 0.75, y0 + h * 0.3, h * 0.16, sun)
    c.polygon([(x0, y1), (x0, y0 + h * 0.62), (x0 + w * 0.32, y0 + h * 0.32), (x0 + w * 0.62, y1)], hill2)
    c.polygon([(x0 + w * 0.25, y1), (x0 + w * 0.62, y0 + h * 0.48), (x1, y0 + h * 0.78), (x1, y1)], hill)


def photo_frame(c, x0, y0, x1, y1, **kw):
    c.rect(x0 + 1.5, y0 + 1.5, x1 + 1.5, y1 + 1.5, PAPER_SHADE)
    c.rect(x0, y0, x1, y1, OUTLINE)
    c.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, WHITE)
    landscape(c, x0 + 4, y0 + 4, x1 - 4, y1 - 4, **kw)


def mode_photo(c):
    photo_frame(c, 13, 17, 78, 64)


def mode_grey_document(c):
    document(c, GREY)
    badge_grey(c, 67, 58)


def feeder(c, sheet_fill=PAPER, arrow=BLUE):
    # A stack of sheets going into the feeder, with the direction.
    for k, dx in enumerate((10, 5, 0)):
        page(c, 22 + dx, 6 + k * 4, 56 + dx, 58 + k * 4, fold=6, fill=sheet_fill)
    c.text_lines(27, 24, 50, 4, 5, LINE)
    c.rounded(14, 60, 78, 72, 3, OUTLINE)
    c.rounded(15, 61, 77, 71, 2.5, GREY_LIGHT)
    c.rect(22, 64, 70, 67, INK)
    c.line([(72, 14), (72, 34)], 3.2, arrow)
    c.polygon([(65.5, 32), (78.5, 32), (72, 41)], arrow)


def mode_feeder(c):
    feeder(c)


def mode_text(c):
    page(c, 24, 8, 62, 68)
    for i in range(8):
        end = 56 if i % 3 != 2 else 48
        c.line([(29, 16 + i * 6), (end, 16 + i * 6)], 2.0, INK)
    badge_bw(c, 67, 58)


def mode_magazine(c):
    page(c, 22, 7, 64, 70)
    c.rect(26, 11, 57, 16, RED)
    landscape(c, 26, 19, 60, 38, sky=(250, 186, 120), hill=PURPLE, hill2=(90, 60, 150), sun=WHITE)
    c.text_lines(26, 43, 41, 5, 4.6, LINE, width=1.4, short_last=False)
    c.text_lines(45, 43, 60, 5, 4.6, LINE, width=1.4)
    badge_colour(c, 67, 60)


def mode_receipt(c):
    top, bottom, x0, x1 = 5, 74, 33, 58
    zig = [(x0, top), (x1, top), (x1, bottom)]
    n = 6
    for i in range(1, n * 2 + 1):
        x = x1 - (x1 - x0) * i / (n * 2)
        zig.append((x, bottom - (3 if i % 2 else 0)))
    c.polygon([(x + 1.5, y + 1.5) for x, y in zig], PAPER_SHADE)
    c.polygon(zig, OUTLINE)
    inner = [(x0 + 1, top + 1), (x1 - 1, top + 1), (x1 - 1, bottom - 1.5)]
    for i in range(1, n * 2):
        x = x1 - (x1 - x0) * i / (n * 2)
        inner.append((x, bottom - (4 if i % 2 else 1)))
    inner.append((x0 + 1, bottom - 1.5))
    c.polygon(inner, PAPER)
    c.rect(39, 10, 52, 13, INK)
    for i in range(6):
        y = 19 + i * 6
        c.line([(37, y), (47, y)], 1.4, LINE)
        c.line([(50, y), (54, y)], 1.4, LINE)
    c.line([(37, 57), (54, 57)], 1.0, OUTLINE)
    c.line([(37, 62), (44, 62)], 2.2, INK)
    c.line([(48, 62), (54, 62)], 2.2, INK)


def card(c, x0, y0, x1, y1, fill=PAPER):
    c.rounded(x0 + 1.5, y0 + 1.5, x1 + 1.5, y1 + 1.5, 3, PAPER_SHADE)
    c.framed(x0, y0, x1, y1, 3, fill)


def mode_business_card(c):
    card(c, 10, 20, 80, 62)
    c.circle(26, 36, 6, BLUE_LIGHT)
    c.ellipse(26, 50, 10, 6.5, BLUE_LIGHT)
    c.rect(16, 54, 37, 58, PAPER)
    c.line([(42, 31), (72, 31)], 2.4, INK)
    c.text_lines(42, 39, 70, 3, 5, LINE, width=1.4, short_last=False)
    c.rect(16, 24, 36, 26, BLUE)


def mode_postcard(c):
    card(c, 8, 18, 82, 64, fill=PAPER)
    landscape(c, 12, 22, 46, 60, sky=(130, 200, 230), hill=(230, 196, 120), hill2=(60, 150, 190), sun=ORANGE)
    c.line([(49, 24), (49, 58)], 1.0, LINE)
    c.rect(68, 23, 78, 34, RED)
    c.rect(69.5, 24.5, 76.5, 32.5, (250, 220, 210))
    c.text_lines(53, 42, 77, 3, 6, LINE, width=1.4, short_last=False)


def mode_book(c):
    # An open book seen from above.
    c.polygon([(8, 20), (45.5, 26), (83, 20), (83, 64), (45.5, 70), (8, 64)], BROWN)
    c.polygon([(11, 16), (44, 22), (44, 64), (11, 58)], OUTLINE)
    c.polygon([(12, 17.5), (43, 23.2), (43, 62.5), (12, 57)], PAPER)
    c.polygon([(80, 16), (47, 22), (47, 64), (80, 58)], OUTLINE)
    c.polygon([(79, 17.5), (48, 23.2), (48, 62.5), (79, 57)], PAPER)
    for i in range(6):
        y = 27 + i * 5.5
        c.line([(16, y - 2.5 + i * 0.05), (39, y + 1.8)], 1.4, LINE)
        c.line([(52, y + 1.8), (75, y - 2.5 + i * 0.05)], 1.4, LINE)
    c.line([(45.5, 22), (45.5, 66)], 1.6, OUTLINE)


def mode_drawing(c):
    page(c, 18, 8, 58, 70)
    c.line([(24, 56), (30, 40), (36, 48), (44, 26), (52, 44)], 1.8, BLUE)
    c.circle(46, 19, 4, ORANGE)
    # A pencil across the corner.
    body = rotate([(40, 54), (78, 54), (78, 62), (40, 62)], 59, 58, -40)
    c.polygon(body, YELLOW)
    tip = rotate([(40, 54), (40, 62), (32, 58)], 59, 58, -40)
    c.polygon(tip, (240, 210, 160))
    lead = rotate([(34.7, 56.6), (34.7, 59.4), (32, 58)], 59, 58, -40)
    c.polygon(lead, INK)
    band = rotate([(72, 54), (78, 54), (78, 62), (72, 62)], 59, 58, -40)
    c.polygon(band, RED)
    c.line(rotate([(40, 58), (72, 58)], 59, 58, -40), 0.8, ORANGE, round_ends=False)


def mode_form(c):
    page(c, 24, 8, 62, 68)
    c.rect(29, 14, 47, 17, INK)
    for i in range(5):
        y = 24 + i * 8
        c.rect(29, y, 35, y + 6, OUTLINE)
        c.rect(30, y + 1, 34, y + 5, PAPER)
        c.line([(38, y + 3), (56, y + 3)], 1.5, LINE)
        if i in (0, 2, 3):
            c.line([(30, y + 3), (32, y + 5), (36, y - 0.5)], 1.5, GREEN_DARK)


def mode_newspaper(c):
    page(c, 16, 9, 72, 70, fold=8)
    c.rect(21, 13, 62, 19, BLACK)
    c.line([(21, 22.5), (67, 22.5)], 1.0, OUTLINE)
    c.rect(21, 26, 42, 41, GREY_LIGHT)
    landscape(c, 22, 27, 41, 40, sky=GREY_LIGHT, hill=GREY, hill2=(100, 104, 110), sun=WHITE)
    c.text_lines(21, 45, 42, 5, 4.6, GREY, width=1.3, short_last=False)
    c.text_lines(46, 27, 67, 9, 4.6, GREY, width=1.3)


def mode_colour_feeder(c):
    feeder(c, sheet_fill=PAPER)
    c.rect(27, 40, 44, 52, BLUE_LIGHT)
    c.rect(46, 40, 52, 44, RED)
    c.rect(46, 46, 52, 52, GREEN)
    badge_colour(c, 15, 48)


def mode_grey_photo(c):
    photo_frame(c, 13, 17, 78, 64, sky=(200, 204, 210), hill=(120, 124, 130), hill2=(80, 84, 90),
                sun=(245, 245, 245))
    badge_grey(c, 72, 61)


def mode_map(c):
    pts = [(10, 18), (32, 12), (58, 18), (81, 12), (81, 64), (58, 70), (32, 64), (10, 70)]
    c.polygon([(x + 1.5, y + 1.5) for x, y in pts], PAPER_SHADE)
    c.polygon(pts, OUTLINE)
    c.polygon([(11, 19), (31.5, 13.5), (31.5, 63), (11, 68.5)], (214, 236, 206))
    c.polygon([(32.5, 13.5), (57.5, 19), (57.5, 68.5), (32.5, 63)], (236, 240, 222))
    c.polygon([(58.5, 19), (80, 13.5), (80, 63), (58.5, 68.5)], (214, 236, 206))
    c.line([(14, 54), (26, 44), (40, 48), (52, 34), (66, 38), (77, 24)], 2.2, ORANGE)
    c.line([(20, 24), (24, 34), (18, 44)], 3, (150, 200, 235))
    c.circle(52, 30, 6.5, RED)
    c.polygon([(46.5, 32.5), (57.5, 32.5), (52, 42)], RED)
    c.circle(52, 30, 2.6, WHITE)


def mode_music(c):
    page(c, 20, 8, 66, 70)
    for s in range(2):
        for i in range(5):
            y = 16 + s * 26 + i * 3.2
            c.line([(24, y), (62, y)], 0.9, OUTLINE)
    for x, y, s in ((31, 25.6, 0), (40, 22.4, 0), (49, 19.2, 0), (34, 45.6, 1), (44, 51.2, 1), (54, 48, 1)):
        c.ellipse(x, y, 2.6, 1.9, BLACK)
        c.line([(x + 2.3, y), (x + 2.3, y - 10)], 1.0, BLACK)
    c.line([(33.3, 15.6), (51.3, 9.2)], 2.0, BLACK)


def mode_chart(c):
    page(c, 20, 8, 66, 70)
    c.line([(26, 16), (26, 60), (60, 60)], 1.4, INK)
    for x, h, col in ((30, 18, BLUE), (38, 30, GREEN), (46, 22, ORANGE), (54, 36, RED)):
        c.rect(x, 59.3 - h, x + 5, 59.3, col)
    c.line([(30, 36), (40, 26), (48, 32), (58, 18)], 1.6, INK)


def mode_letter(c):
    # A letter coming out of its envelope.
    c.rect(10, 34, 81, 72, OUTLINE)
    page(c, 20, 6, 71, 58, fold=0.01)
    c.rect(26, 12, 42, 14.5, INK)
    c.text_lines(26, 21, 65, 4, 5, LINE, width=1.4)
    c.rect(11, 35, 80, 71, (238, 226, 200))
    c.polygon([(11, 35), (45.5, 58), (80, 35), (80, 37.5), (45.5, 61), (11, 37.5)], (210, 194, 160))
    c.polygon([(11, 71), (40, 50), (42, 51.5), (14, 71)], (224, 210, 180))
    c.polygon([(80, 71), (51, 50), (49, 51.5), (77, 71)], (224, 210, 180))


def mode_high_resolution(c):
    page(c, 16, 8, 56, 68)
    c.text_lines(21, 16, 50, 3, 5, LINE)
    c.rect(21, 34, 44, 50, BLUE_LIGHT)
    # A magnifier over the page with sharp detail inside.
    c.line([(66, 62), (78, 74)], 6, INK)
    c.circle(56, 50, 17, INK)
    c.circle(56, 50, 14.5, WHITE)
    for i in range(4):
        for j in range(4):
            if (i + j) % 2 == 0:
                c.rect(46 + i * 5, 40 + j * 5, 51 + i * 5, 45 + j * 5, BLUE)
    c.arc(56, 50, 14.5, 0, 360, 1.4, GREY, 64)


def mode_screen(c):
    # A page shown on a monitor: low resolution for viewing and sending.
    c.rounded(10, 12, 81, 60, 3, INK)
    c.rect(14, 16, 77, 55, (228, 238, 250))
    page(c, 32, 19, 58, 53, fold=5)
    c.text_lines(36, 27, 54, 4, 5, LINE, width=1.4)
    c.polygon([(38, 60), (53, 60), (56, 68), (35, 68)], GREY)
    c.rounded(28, 67, 63, 72, 2, INK)


def mode_ocr(c):
    page(c, 14, 8, 52, 68)
    c.text_lines(19, 16, 46, 8, 6, INK, width=2.0)
    # Recognised characters coming out as text.
    c.rounded(50, 30, 84, 56, 4, BLUE)
    glyph_text(c, "ABC", 54.5, 37, 7.2, 12, 2.2, WHITE)
    c.polygon([(44, 38), (50, 43), (44, 48)], BLUE)


def mode_duplex(c):
    page(c, 12, 10, 44, 58, fold=6)
    c.text_lines(16, 22, 38, 4, 5, LINE, width=1.4)
    page(c, 48, 22, 80, 70, fold=6)
    c.text_lines(52, 34, 74, 4, 5, LINE, width=1.4)
    glyph_text(c, "1", 25, 45, 6, 10, 2.2, BLUE)
    glyph_text(c, "2", 61, 57, 6, 10, 2.2, BLUE)
    c.arc(46, 40, 22, 205, 325, 2.6, GREEN_DARK)
    c.polygon([(61.5, 22.5), (68, 30), (59, 31)], GREEN_DARK)


def mode_long_document(c):
    page(c, 30, 3, 60, 78, fold=6)
    c.text_lines(34, 11, 55, 11, 5.6, LINE, width=1.4)
    c.line([(20, 6), (20, 75)], 1.4, BLUE)
    c.polygon([(16, 10), (24, 10), (20, 4)], BLUE)
    c.polygon([(16, 71), (24, 71), (20, 77)], BLUE)


def mode_bw_document(c):
    document(c, BLACK)
    badge_bw(c, 67, 58)


def mode_slide(c):
    # Film negatives and slides: a film strip.
    strip = rotate([(4, 26), (87, 26), (87, 56), (4, 56)], 45.5, 41, -12)
    c.polygon(strip, BLACK)
    for i in range(9):
        x = 8 + i * 9.2
        c.polygon(rotate([(x, 28.5), (x + 4.5, 28.5), (x + 4.5, 31.5), (x, 31.5)], 45.5, 41, -12), WHITE)
        c.polygon(rotate([(x, 50.5), (x + 4.5, 50.5), (x + 4.5, 53.5), (x, 53.5)], 45.5, 41, -12), WHITE)
    for k, (sky, hill) in enumerate(((SKY, GREEN), ((250, 186, 120), PURPLE), ((130, 200, 230), ORANGE))):
        x = 9 + k * 26
        frame = rotate([(x, 34), (x + 22, 34), (x + 22, 48), (x, 48)], 45.5, 41, -12)
        c.polygon(frame, sky)
        c.polygon(rotate([(x, 48), (x + 9, 39), (x + 22, 48)], 45.5, 41, -12), hill)


def mode_id_card(c):
    card(c, 10, 18, 80, 64, fill=(232, 242, 252))
    c.rect(10.8, 18.8, 79.2, 27, BLUE)
    c.rect(16, 32, 36, 57, WHITE)
    c.circle(26, 41, 5.5, GREY)
    c.ellipse(26, 54, 8.5, 5.5, GREY)
    c.rect(16.5, 56, 35.5, 59.5, (232, 242, 252))
    c.rect(16, 32, 36, 33, OUTLINE)
    c.line([(42, 36), (70, 36)], 2.2, INK)
    c.text_lines(42, 44, 72, 3, 5, LINE, width=1.4, short_last=False)
    c.rect(18, 21.5, 40, 24, WHITE)


def mode_whiteboard(c):
    # Notes and sketches on paper sheets pinned to a board: mixed documents.
    c.rounded(8, 10, 83, 66, 2, BROWN)
    c.rect(11, 13, 80, 63, (244, 246, 248))
    c.rect(15, 18, 40, 42, (255, 246, 170))
    c.text_lines(18, 25, 37, 3, 5, (170, 150, 80), width=1.3)
    c.rect(46, 20, 74, 48, (200, 232, 255))
    c.line([(50, 42), (56, 30), (62, 38), (70, 26)], 1.8, BLUE)
    c.rect(20, 46, 44, 60, (210, 244, 210))
    c.text_lines(23, 51, 41, 2, 5, (90, 150, 90), width=1.3)
    for x, y in ((27.5, 18), (60, 20), (32, 46)):
        c.circle(x, y, 2.4, RED)
    c.rect(36, 66, 55, 70, GREY)


MODE_PICTURES = [
    # (number, what it shows)
    (1307, mode_new),
    (1300, mode_colour_document),
    (1301, mode_photo),
    (1302, mode_grey_document),
    (1303, mode_feeder),
    (1308, mode_text),
    (1309, mode_magazine),
    (1310, mode_receipt),
    (1311, mode_business_card),
    (1312, mode_postcard),
    (1313, mode_book),
    (1314, mode_drawing),
    (1315, mode_form),
    (1326, mode_newspaper),
    (1327, mode_colour_feeder),
    (1328, mode_grey_photo),
    (1329, mode_map),
    (1330, mode_music),
    (1331, mode_chart),
    (1332, mode_letter),
    (1333, mode_high_resolution),
    (1334, mode_screen),
    (1335, mode_ocr),
    (1336, mode_duplex),
    (1337, mode_long_document),
]
# Spare drawings kept for later modes: mode_bw_document, mode_slide, mode_id_card, mode_whiteboard.

# ---------------------------------------------------------------------------
# A small stroke font for the few letters the pictures need. Glyphs live in a
# 0..1 box (x right, y down) and are scaled to the width and height asked for.

GLYPHS = {
    "A": [[(0, 1), (0.5, 0), (1, 1)], [(0.2, 0.62), (0.8, 0.62)]],
    "B": [[(0, 0), (0, 1), (0.65, 1), (0.9, 0.88), (0.95, 0.74), (0.88, 0.58), (0.65, 0.48), (0, 0.48)],
          [(0, 0), (0.6, 0), (0.82, 0.1), (0.86, 0.24), (0.8, 0.38), (0.6, 0.48)]],
    "C": [[(0.95, 0.18), (0.8, 0.04), (0.55, 0), (0.3, 0.04), (0.1, 0.2), (0.02, 0.5), (0.1, 0.8), (0.3, 0.96),
           (0.55, 1), (0.8, 0.96), (0.95, 0.82)]],
    "T": [[(0, 0), (1, 0)], [(0.5, 0), (0.5, 1)]],
    "R": [[(0, 1), (0, 0), (0.62, 0), (0.88, 0.1), (0.94, 0.26), (0.88, 0.42), (0.62, 0.52), (0, 0.52)],
          [(0.5, 0.52), (0.98, 1)]],
    "V": [[(0, 0), (0.5, 1), (1, 0)]],
    "I": [[(0.5, 0), (0.5, 1)]],
    "K": [[(0, 0), (0, 1)], [(0.95, 0), (0, 0.62)], [(0.3, 0.4), (1, 1)]],
    "4": [[(0.72, 1), (0.72, 0), (0, 0.7), (1, 0.7)]],
    "1": [[(0.2, 0.2), (0.58, 0), (0.58, 1)]],
    "2": [[(0.05, 0.2), (0.2, 0.05), (0.45, 0), (0.72, 0.04), (0.9, 0.2), (0.9, 0.38), (0.75, 0.56), (0.05, 1),
           (0.98, 1)]],
    "0": [[(0.5, 0), (0.8, 0.08), (0.96, 0.3), (1, 0.5), (0.96, 0.7), (0.8, 0.92), (0.5, 1), (0.2, 0.92),
           (0.04, 0.7), (0, 0.5), (0.04, 0.3), (0.2, 0.08), (0.5, 0)]],
}


def glyph_text(c, text, x, y, w, h, stroke, colour, gap=None):
    gap = w * 0.45 if gap is None else gap
    for ch in text:
        gw = w * (0.35 if ch in "I1" else 1.0)
        for stroke_points in GLYPHS[ch]:
            c.line([(x + px * gw, y + py * h) for px, py in stroke_points], stroke, colour)
        x += gw + gap
    return x


def text_width(text, w, gap=None):
    gap = w * 0.45 if gap is None else gap
    return sum(w * (0.35 if ch in "I1" else 1.0) for ch in text) + gap * (len(text) - 1)


# ---------------------------------------------------------------------------
# Small pictures of the main dialog.

def small_page(c, cx, cy, w, h, degrees, arrow=True):
    """A sheet of w x h centred at (cx, cy) turned by degrees, with an arrow
    that points to its top edge so the turn can be read at 24 pixels."""
    def r(points):
        return rotate(points, cx, cy, degrees)
    x0, y0, x1, y1 = cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2
    c.polygon(r([(x0, y0), (x1, y0), (x1, y1), (x0, y1)]), OUTLINE)
    c.polygon(r([(x0 + 1, y0 + 1), (x1 - 1, y0 + 1), (x1 - 1, y1 - 1), (x0 + 1, y1 - 1)]), PAPER)
    if arrow:
        c.polygon(r([(cx, y0 + 2.2), (cx + w * 0.32, y0 + 2.2 + w * 0.32), (cx - w * 0.32, y0 + 2.2 + w * 0.32)]),
                  BLUE)
        c.line(r([(cx, y0 + 3 + w * 0.3), (cx, y1 - 3)]), max(1.6, w * 0.16), BLUE, round_ends=False)


def rotation_picture(quarter_turns):
    c = Canvas(24, 24, MAGENTA_BG)
    small_page(c, 12, 12, 13, 18, 90 * quarter_turns)
    return c


MAGENTA_BG = None  # the canvas leaves uncovered pixels empty; pixels() makes them magenta


def placement_strip():
    # Frame 0: the sheet lies upright on the glass; frame 1: it lies across.
    c = Canvas(72, 24, None)
    for frame, (w, h) in enumerate(((12, 18), (18, 12))):
        x0 = frame * 36
        c.rect(x0 + 2, 2, x0 + 34, 22, OUTLINE)
        c.rect(x0 + 3, 3, x0 + 33, 21, (210, 226, 244))
        c.rect(x0 + 3, 3, x0 + 6, 21, GREY_LIGHT)
        small_page(c, x0 + 7 + w / 2, 4 + h / 2, w, h, 0, arrow=False)
        c.text_lines(x0 + 9.5, 7.5, x0 + 5.5 + w, 3 if h > 12 else 2, 3.2, LINE, width=1.2)
    return c


def rotation_strip(turns):
    c = Canvas(96, 24, None)
    for frame, t in enumerate(turns):
        small_page(c, frame * 24 + 12, 12, 13, 18, 90 * t)
    return c


def document_shape(across):
    # The document on the glass, upright or across, on the platen.
    c = Canvas(112, 120, None)
    c.rounded(4, 6, 108, 114, 5, INK)
    c.rounded(7, 9, 105, 111, 3, (200, 220, 242))
    if across:
        x0, y0, x1, y1 = 12, 26, 96, 86
    else:
        x0, y0, x1, y1 = 22, 14, 82, 100
    page(c, x0, y0, x1, y1, fold=10)
    c.rect(x0 + 7, y0 + 8, x0 + (x1 - x0) * 0.45, y0 + 12, BLUE)
    c.text_lines(x0 + 7, y0 + 20, x1 - 8, 5 if not across else 4, 8, LINE, width=2.4)
    return c


def area_mode():
    # A sheet with a dashed scan area on it.
    c = Canvas(16, 16, None)
    c.rect(2, 0, 14, 16, OUTLINE)
    c.rect(3, 1, 13, 15, PAPER)
    for k in range(4):
        c.rect(5 + k * 2, 4, 6 + k * 2, 5, BLUE)
        c.rect(5 + k * 2, 12, 6 + k * 2, 13, BLUE)
        c.rect(5, 4 + k * 2, 6, 5 + k * 2, BLUE)
        c.rect(11, 4 + k * 2, 12, 5 + k * 2, BLUE)
    c.rect(5, 12, 6, 13, BLUE)
    c.rect(11, 12, 12, 13, BLUE)
    return c


def about():
    w, h = 448, 173
    c = Canvas(w, h, (246, 248, 251))
    # A soft band of blue across the top and a line under it.
    c.rect(0, 0, w, 108, (226, 236, 248))
    c.polygon([(0, 108), (w, 78), (w, 108)], (210, 226, 244))
    c.rect(0, 108, w, 110, BLUE)
    # The scanner: body, lid, glass edge and a sheet going in.
    c.rounded(36, 54, 176, 100, 8, INK)
    c.rounded(39, 57, 173, 97, 6, (232, 236, 242))
    c.rounded(30, 38, 182, 58, 6, INK)
    c.rounded(33, 41, 179, 55, 4, (206, 214, 226))
    c.rect(52, 68, 156, 72, (120, 200, 255))
    c.circle(158, 86, 4, GREEN)
    c.rect(52, 84, 100, 88, GREY_LIGHT)
    page(c, 70, 8, 140, 46, fold=9)
    c.rect(77, 14, 100, 18, BLUE)
    c.text_lines(77, 24, 132, 3, 6, LINE, width=2.0)
    # The product's name in a stroke face.
    name = "TARVIK4100"
    x = 204
    glyph_text(c, name, x, 40, 18, 34, 5.2, INK, gap=7)
    c.rect(204, 86, 204 + text_width(name, 18, 7), 90, BLUE)
    # A row of small colour tiles in the foot: the kinds of scan.
    colours = (BLUE, GREEN, ORANGE, RED, PURPLE, GREY, BLUE_LIGHT, YELLOW, GREEN_DARK, INK)
    for i, colour in enumerate(colours):
        x = 30 + i * 40
        c.rounded(x, 130, x + 28, 150, 4, colour)
    return c


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    pictures = []
    for number, draw in MODE_PICTURES:
        c = Canvas(91, 81, None)
        # The mode strip hides the top five rows and lays the name over the
        # bottom ones: keep the drawing inside rows 5..72.
        c.shrink_about(0.9, 45.5, 40.5)
        draw(c)
        pictures.append((number, c, True))
    pictures.append((1304, placement_strip(), False))
    # Frame i of a strip shows rotation index i: the flatbed turns the page by
    # 1, 2, 3, 0 quarter turns, the feeder by 3, 2, 1, 0.
    pictures.append((1306, rotation_strip((1, 2, 3, 0)), False))
    pictures.append((1305, rotation_strip((3, 2, 1, 0)), False))
    for number, turns in ((1318, 0), (1319, 3), (1320, 2), (1321, 1)):
        pictures.append((number, rotation_picture(turns), False))
    pictures.append((1316, document_shape(True), False))
    pictures.append((1317, document_shape(False), False))
    pictures.append((1324, area_mode(), False))
    pictures.append((1325, about(), False))
    for number, canvas, transparent in pictures:
        # Small pictures of the main dialog are drawn on the button face, so
        # their uncovered pixels are magenta too; only the About picture is solid.
        write_bmp(os.path.join(here, "%d.bmp" % number), canvas.pixels(transparent or number != 1325))


if __name__ == "__main__":
    main()
