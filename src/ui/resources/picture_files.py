"""What the picture scripts of the dialog share: BMP and PNG writing, and the rewrite-or-check
of the files they draw.

BMP files are uncompressed (BI_RGB) with bottom-up rows, as LoadBitmapW, SS_BITMAP and the
image lists expect.
"""

import os
import struct
import zlib


def _bmp_headers(width, height, bits, pixel_bytes, palette_entries):
    offset = 14 + 40 + 4 * palette_entries
    file_header = struct.pack("<2sIHHI", b"BM", offset + pixel_bytes, 0, 0, offset)
    # 2835 pixels per metre = 72 dpi; BI_RGB = 0.
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, pixel_bytes,
                              2835, 2835, palette_entries, palette_entries)
    return file_header + info_header


def indexed_bmp(rows, palette):
    """8 bits per pixel: rows of palette indices, palette of (r, g, b)."""
    width = len(rows[0])
    stride = (width + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        pixels += bytes(row) + bytes(stride - width)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return _bmp_headers(width, len(rows), 8, len(pixels), len(palette)) + table + bytes(pixels)


def rgb_bmp(rows):
    """24 bits per pixel: rows of (r, g, b)."""
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        pixels += line + bytes(stride - len(line))
    return _bmp_headers(width, len(rows), 24, len(pixels), 0) + bytes(pixels)


def png_bytes(pixel_rows):
    """A PNG of rows of (r, g, b), for reviewing a drawing."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    height = len(pixel_rows)
    width = len(pixel_rows[0])
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixel_rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw))
            + chunk(b"IEND", b""))


def store_pictures(pictures, folder, check):
    """Writes {file name: bytes} into folder, or with check only compares. Returns the names
    whose file differs from the drawing (or is missing)."""
    stale = []
    for name, data in pictures.items():
        path = os.path.join(folder, name)
        if check:
            try:
                with open(path, "rb") as existing:
                    if existing.read() != data:
                        stale.append(name)
            except OSError:
                stale.append(name)
        else:
            with open(path, "wb") as out:
                out.write(data)
    return stale
