#!/usr/bin/env python3
"""Draws the two pictures of the welcome dialog: the banner and the notice sign.

banner.bmp (500 x 312, 8 bits per pixel with a 256-colour palette) fills the upper part of the
dialog behind the texts: a calm gradient from a pale blue at the left edge to white on the
right, where headline and advice stand, with a motif of concentric rings at the left.
notice.bmp (16 x 16, 24 bits per pixel) is the sign in the yellow notice panel: a blue disc
with a white "i", on the panel's own fill colour so that its edge blends in.

Both are uncompressed (BI_RGB) with bottom-up rows, as LoadBitmapW and SS_BITMAP expect.

    make_welcome_pictures.py                 rewrite the BMP files beside this script
    make_welcome_pictures.py --check         exit 1 if a BMP file differs from the drawing
    make_welcome_pictures.py --preview FILE  also write the banner as a PNG for review
"""

import argparse
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from picture_files import indexed_bmp, png_bytes, rgb_bmp, store_pictures  # noqa: E402

BANNER_WIDTH = 500
BANNER_HEIGHT = 312
NOTICE_SIZE = 16

# The banner's palette: the first half is the background gradient, the second half the
# rings' shades. Each pixel is one of the two ramps, so 128 steps each keep the gradient
# free of visible bands.
STEPS = 128
BACKGROUND_LEFT = (214, 228, 246)
BACKGROUND_RIGHT = (255, 255, 255)
RING_LIGHT = (176, 200, 236)
RING_DARK = (0, 51, 154)  # the headline's colour

NOTICE_BACKGROUND = (255, 255, 192)  # the notice panel's fill
NOTICE_DISC = (0, 51, 154)
WHITE = (255, 255, 255)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def banner_palette():
    background = [mix(BACKGROUND_LEFT, BACKGROUND_RIGHT, i / (STEPS - 1)) for i in range(STEPS)]
    rings = [mix(RING_LIGHT, RING_DARK, i / (STEPS - 1)) for i in range(STEPS)]
    return background + rings


# The rings: centre and radii in pixels, with the shade of each (0 light, 1 dark).
RING_CENTRE = (84.0, 150.0)
RINGS = [(30.0, 9.0, 1.0), (55.0, 5.5, 0.7), (77.0, 3.5, 0.45), (97.0, 2.5, 0.25)]


def banner_index(x, y):
    """Palette index of the banner pixel at (x, y), y counted from the top."""
    px, py = x + 0.5, y + 0.5
    distance = math.hypot(px - RING_CENTRE[0], py - RING_CENTRE[1])
    for radius, half_width, shade in RINGS:
        if abs(distance - radius) <= half_width:
            # Lighter towards the lower right, as if lit from there.
            light = (px - RING_CENTRE[0] + py - RING_CENTRE[1]) / (2.0 * 120.0)
            level = min(1.0, max(0.0, shade - 0.2 * light))
            return STEPS + int(round(level * (STEPS - 1)))
    # The gradient runs left to right and a little downwards.
    t = (px / BANNER_WIDTH) * 0.85 + (py / BANNER_HEIGHT) * 0.15
    return int(round(min(1.0, max(0.0, t)) * (STEPS - 1)))


def banner_rows():
    return [[banner_index(x, y) for x in range(BANNER_WIDTH)] for y in range(BANNER_HEIGHT)]


def notice_pixel(x, y):
    """The sign, sampled 4 x 4 times per pixel for a smooth disc."""
    samples = 4
    total = [0, 0, 0]
    for sy in range(samples):
        for sx in range(samples):
            px = x + (sx + 0.5) / samples
            py = y + (sy + 0.5) / samples
            color = NOTICE_BACKGROUND
            if math.hypot(px - 8.0, py - 8.0) < 7.5:
                color = NOTICE_DISC
                dot = math.hypot(px - 8.0, py - 4.5) < 1.3
                stem = 7.0 <= px < 9.0 and 6.5 <= py < 12.5
                if dot or stem:
                    color = WHITE
            for i in range(3):
                total[i] += color[i]
    return tuple(int(round(c / (samples * samples))) for c in total)


def notice_rows():
    return [[notice_pixel(x, y) for x in range(NOTICE_SIZE)] for y in range(NOTICE_SIZE)]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="compare with the BMP files instead of writing them")
    parser.add_argument("--preview", metavar="FILE", help="write the banner as a PNG")
    parser.add_argument("--out", default=os.path.dirname(os.path.abspath(__file__)),
                        help="folder of the BMP files (default: beside this script)")
    args = parser.parse_args()

    palette = banner_palette()
    rows = banner_rows()
    pictures = {"banner.bmp": indexed_bmp(rows, palette), "notice.bmp": rgb_bmp(notice_rows())}
    stale = store_pictures(pictures, args.out, args.check)
    if args.preview:
        with open(args.preview, "wb") as out:
            out.write(png_bytes([[palette[i] for i in row] for row in rows]))
    if stale:
        print("differs from the drawing: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
