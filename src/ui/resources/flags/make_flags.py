#!/usr/bin/env python3
"""Draws the 16 x 14 flag pictures of the welcome dialog's language list.

The pictures are generated rather than hand-painted so that they can be redrawn, reviewed and
changed in one place. Each flag is described in pixel coordinates (x to the right, y downwards,
the picture spans 0..16 x 0..14) and sampled 4 x 4 times per pixel, which smooths discs, stars and
diagonals; stripes sit on whole pixels so that they stay crisp.

Output: 24 bits per pixel, uncompressed (BI_RGB), bottom-up rows, as the setup's image list and
LoadBitmap expect.

    make_flags.py                 rewrite the BMP files beside this script
    make_flags.py --check         exit 1 if a BMP file differs from what the script draws
    make_flags.py --preview FILE  also write an enlarged PNG of all flags for review
"""

import argparse
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from picture_files import png_bytes, rgb_bmp, store_pictures  # noqa: E402

WIDTH = 16
HEIGHT = 14
SAMPLES = 4  # per axis and pixel

WHITE = (255, 255, 255)


def horizontal_bands(colors, rows):
    """Bands from top to bottom; rows[i] is the number of pixel rows of band i."""
    assert sum(rows) == HEIGHT

    def paint(x, y):
        edge = 0
        for color, count in zip(colors, rows):
            edge += count
            if y < edge:
                return color
        return colors[-1]

    return paint


def vertical_bands(colors, columns):
    assert sum(columns) == WIDTH

    def paint(x, y):
        edge = 0
        for color, count in zip(colors, columns):
            edge += count
            if x < edge:
                return color
        return colors[-1]

    return paint


def pixel_centre(x, y):
    """Moves a sample to the centre of its pixel, for parts that must not be smoothed."""
    return math.floor(x) + 0.5, math.floor(y) + 0.5


def inside_polygon(x, y, points):
    inside = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def star_points(cx, cy, radius, angle=-math.pi / 2):
    """Five-pointed star; angle is the direction of the first point (default: upwards)."""
    inner = radius * 0.382
    points = []
    for k in range(10):
        r = radius if k % 2 == 0 else inner
        a = angle + k * math.pi / 5
        points.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return points


def brazil(x, y):
    blue = (0, 39, 118)
    cx, cy = 8.0, 7.0
    dx, dy = abs(x - cx), abs(y - cy)
    if math.hypot(dx, dy) < 3.4:
        # The white motto band arcs across the globe.
        if abs(math.hypot(x - 6.0, y - 15.0) - 9.0) < 0.45:
            return WHITE
        return blue
    if dx / 6.7 + dy / 5.8 <= 1.0:
        return (255, 223, 0)
    return (0, 156, 59)


# The small stars are larger than true to scale, or they vanish at this size; each points at
# the big star.
CHINA_STARS = [star_points(3.2, 3.6, 3.0)] + [
    star_points(sx, sy, 1.2, math.atan2(3.6 - sy, 3.2 - sx))
    for sx, sy in ((7.1, 1.3), (8.6, 2.9), (8.6, 5.1), (7.1, 6.7))
]


def china(x, y):
    if any(inside_polygon(x, y, star) for star in CHINA_STARS):
        return (255, 222, 0)
    return (222, 41, 16)


def denmark(x, y):
    if 5 <= x < 7 or 6 <= y < 8:
        return WHITE
    return (200, 16, 46)


def japan(x, y):
    if math.hypot(x - 8.0, y - 7.0) < 4.2:
        return (188, 0, 45)
    return WHITE


KOREA_RED = (205, 46, 58)
KOREA_BLUE = (0, 71, 160)
KOREA_BLACK = (0, 0, 0)
# The axis of the emblem runs along the diagonal of the 3:2 flag, from the upper hoist corner.
KOREA_AXIS = (math.cos(math.atan2(2.0, 3.0)), math.sin(math.atan2(2.0, 3.0)))
# Trigrams: centre, then for each of the three bars (innermost first) whether it is broken.
KOREA_TRIGRAMS = [
    ((2.5, 2.5), (False, False, False)),  # geon, upper hoist
    ((13.5, 11.5), (True, True, True)),  # gon, lower fly
    ((13.5, 2.5), (True, False, True)),  # gam, upper fly
    ((2.5, 11.5), (False, True, False)),  # ri, lower hoist
]


def korea_trigram(x, y):
    # Three bars are finer than the pixels, so they are drawn on whole pixels: a blurred bar
    # turns into grey, a crisp one at least keeps the broken bars visible as holes.
    x, y = pixel_centre(x, y)
    for (tx, ty), broken in KOREA_TRIGRAMS:
        # Bars lie across the line from the trigram to the centre of the flag.
        ox, oy = 8.0 - tx, 7.0 - ty
        length = math.hypot(ox, oy)
        ux, uy = ox / length, oy / length
        along = (x - tx) * ux + (y - ty) * uy  # towards the centre
        across = -(x - tx) * uy + (y - ty) * ux
        if abs(across) > 1.5:
            continue
        for bar, is_broken in enumerate(broken):
            offset = 1.0 - bar * 1.0  # innermost bar nearest the emblem
            if abs(along - offset) < 0.5:
                if is_broken and abs(across) < 0.35:
                    return None
                return KOREA_BLACK
    return None


def south_korea(x, y):
    trigram = korea_trigram(x, y)
    if trigram:
        return trigram
    cx, cy, radius = 8.0, 7.0, 3.6
    px, py = x - cx, y - cy
    if math.hypot(px, py) >= radius:
        return WHITE
    along = px * KOREA_AXIS[0] + py * KOREA_AXIS[1]
    across = -px * KOREA_AXIS[1] + py * KOREA_AXIS[0]  # negative: upper side
    half = radius / 2.0
    if math.hypot(along + half, across) < half:
        return KOREA_RED
    if math.hypot(along - half, across) < half:
        return KOREA_BLUE
    return KOREA_RED if across < 0 else KOREA_BLUE


def spain(x, y):
    red = (170, 21, 27)
    yellow = (241, 191, 0)
    if y < 3 or y >= 11:
        return red
    # A hint of the coat of arms, nearer the hoist: crown, shield and the two pillars.
    if 3 <= x < 6 and 4 <= y < 5:
        return (177, 130, 0)
    if 3 <= x < 6 and 5 <= y < 9:
        return (196, 160, 30) if (4 <= x < 5 and 6 <= y < 8) else red
    if (2 <= x < 3 or 6 <= x < 7) and 5 <= y < 9:
        return (160, 160, 160)
    return yellow


def distance_to_line(x, y, x0, y0, x1, y1):
    """Signed distance from the line through (x0, y0) and (x1, y1)."""
    dx, dy = x1 - x0, y1 - y0
    return ((x - x0) * dy - (y - y0) * dx) / math.hypot(dx, dy)


def united_kingdom(x, y):
    blue = (1, 33, 105)
    red = (200, 16, 46)
    # St George's cross, crisp: red two pixels wide, white one pixel on each side.
    if 7 <= x < 9 or 6 <= y < 8:
        return red
    if 6 <= x < 10 or 5 <= y < 9:
        return WHITE
    # The saltires. St Patrick's red is counterchanged: seen from the centre along each arm it
    # lies on the same turning side, which puts the broad white above the red in both hoist
    # quarters and below it in both fly quarters. They are drawn on whole pixels: smoothed,
    # the thin red and white diagonals dissolve into pink.
    x, y = pixel_centre(x, y)
    cx, cy = WIDTH / 2.0, HEIGHT / 2.0
    for corner_x, corner_y in ((0.0, 0.0), (WIDTH, 0.0), (0.0, HEIGHT), (WIDTH, HEIGHT)):
        if (x - cx) * (corner_x - cx) < 0 or (y - cy) * (corner_y - cy) < 0:
            continue
        side = distance_to_line(x, y, cx, cy, corner_x, corner_y)
        if 0.0 <= side < 0.8:
            return red
        if abs(side) < 1.3:
            return WHITE
    return blue


def usa(x, y):
    if x < 7 and y < 8:
        # Stars as single pixels in the staggered rows of the canton.
        px, py = int(x), int(y)
        if (py in (1, 3, 5) and px in (1, 3, 5)) or (py in (2, 4, 6) and px in (2, 4)):
            return (235, 235, 245)
        return (60, 59, 110)
    # Seven stripes of two rows each: thirteen do not fit fourteen rows legibly.
    return (178, 34, 52) if int(y) // 2 % 2 == 0 else WHITE


# Resource id, file name, drawing.
FLAGS = [
    (203, "brazil.bmp", brazil),
    (204, "china.bmp", china),
    (205, "denmark.bmp", denmark),
    (206, "france.bmp", vertical_bands([(0, 35, 149), WHITE, (237, 41, 57)], [5, 6, 5])),
    (207, "germany.bmp", horizontal_bands([(0, 0, 0), (221, 0, 0), (255, 206, 0)], [5, 4, 5])),
    (208, "italy.bmp", vertical_bands([(0, 146, 70), WHITE, (206, 43, 55)], [5, 6, 5])),
    (209, "japan.bmp", japan),
    (210, "south_korea.bmp", south_korea),
    (211, "netherlands.bmp",
     horizontal_bands([(174, 28, 40), WHITE, (33, 70, 139)], [5, 4, 5])),
    (212, "poland.bmp", horizontal_bands([WHITE, (220, 20, 60)], [7, 7])),
    (213, "russia.bmp", horizontal_bands([WHITE, (0, 57, 166), (213, 43, 30)], [5, 4, 5])),
    (214, "spain.bmp", spain),
    (215, "united_kingdom.bmp", united_kingdom),
    (216, "usa.bmp", usa),
]


def render(paint):
    """Rows of (r, g, b) from top to bottom."""
    rows = []
    for py in range(HEIGHT):
        row = []
        for px in range(WIDTH):
            total = [0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    color = paint(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
                    for c in range(3):
                        total[c] += color[c]
            row.append(tuple(round(t / (SAMPLES * SAMPLES)) for t in total))
        rows.append(row)
    return rows


def preview(all_rows, scale=8, gap=4):
    """All flags side by side, enlarged, on a light grey background."""
    background = (200, 200, 200)
    width = len(all_rows) * (WIDTH * scale + gap) + gap
    height = HEIGHT * scale + 2 * gap
    canvas = [[background] * width for _ in range(height)]
    for index, rows in enumerate(all_rows):
        left = gap + index * (WIDTH * scale + gap)
        for y in range(HEIGHT * scale):
            for x in range(WIDTH * scale):
                canvas[gap + y][left + x] = rows[y // scale][x // scale]
    return png_bytes(canvas)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="compare with the BMP files instead of writing them")
    parser.add_argument("--preview", metavar="FILE", help="write an enlarged PNG of all flags")
    parser.add_argument("--out", default=os.path.dirname(os.path.abspath(__file__)),
                        help="folder of the BMP files (default: beside this script)")
    args = parser.parse_args()

    stale = []
    all_rows = []
    for _, name, paint in FLAGS:
        rows = render(paint)
        all_rows.append(rows)
        stale += store_pictures({name: rgb_bmp(rows)}, args.out, args.check)
    if args.preview:
        with open(args.preview, "wb") as out:
            out.write(preview(all_rows))
    if stale:
        print("differs from the drawing: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
