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
import struct
import sys
import zlib

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


def headers(width, height, bits, pixel_bytes, palette_entries):
    offset = 14 + 40 + 4 * palette_entries
    file_header = struct.pack("<2sIHHI", b"BM", offset + pixel_bytes, 0, 0, offset)
    # 2835 pixels per metre = 72 dpi; BI_RGB = 0.
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, pixel_bytes,
                              2835, 2835, palette_entries, palette_entries)
    return file_header + info_header


def indexed_bmp(rows, palette):
    width = len(rows[0])
    stride = (width + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        pixels += bytes(row) + bytes(stride - width)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return headers(width, len(rows), 8, len(pixels), len(palette)) + table + bytes(pixels)


def rgb_bmp(rows):
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        pixels += line + bytes(stride - len(line))
    return headers(width, len(rows), 24, len(pixels), 0) + bytes(pixels)


def png_bytes(pixel_rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    height = len(pixel_rows)
    width = len(pixel_rows[0])
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixel_rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw))
            + chunk(b"IEND", b""))


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
    stale = []
    for name, data in pictures.items():
        path = os.path.join(args.out, name)
        if args.check:
            try:
                with open(path, "rb") as existing:
                    if existing.read() != data:
                        stale.append(name)
            except OSError:
                stale.append(name)
        else:
            with open(path, "wb") as out:
                out.write(data)
    if args.preview:
        with open(args.preview, "wb") as out:
            out.write(png_bytes([[palette[i] for i in row] for row in rows]))
    if stale:
        print("differs from the drawing: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
