#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Render the program icon (res/p2_icon.ico) as PNG files for the desktop's icon theme.

Run from the repository root after make_pictures.py:

    python3 scripts/make_icon_png.py

Writes res/talvenor-32.png (the icon as drawn) and res/talvenor-128.png (each
pixel made a 4 x 4 block, so the larger icon stays sharp).  Transparent
pixels of the icon's mask become fully transparent.  Standard library only;
the output is the same on every run.
"""

import os
import struct
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RES = os.path.join(ROOT, "res")
SIZES = (32, 128)


def read_ico(path):
    """The first image of an icon file as rows of (r, g, b, a), top row first."""
    with open(path, "rb") as f:
        data = f.read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1 or count < 1:
        sys.exit("%s: not an icon file" % path)
    size, offset = struct.unpack_from("<II", data, 6 + 8)
    header = data[offset:offset + 40]
    if header[:4] == b"\x89PNG":
        sys.exit("%s: PNG-compressed icons are not handled" % path)
    (_, width, double_height, _, bits, compression, _, _, _, used, _) = struct.unpack("<IiiHHIIiiII", header)
    height = double_height // 2
    if compression != 0 or bits not in (1, 4, 8, 24, 32):
        sys.exit("%s: unhandled icon format (%d bits, compression %d)" % (path, bits, compression))
    at = offset + 40
    palette = []
    if bits <= 8:
        entries = used or (1 << bits)
        for i in range(entries):
            b, g, r, _ = data[at + 4 * i:at + 4 * i + 4]
            palette.append((r, g, b))
        at += 4 * entries
    stride = ((width * bits + 31) // 32) * 4
    mask_stride = ((width + 31) // 32) * 4
    mask_at = at + stride * height
    rows = []
    # Bitmaps are stored bottom row first.
    for y in range(height - 1, -1, -1):
        row = data[at + y * stride:at + (y + 1) * stride]
        mask = data[mask_at + y * mask_stride:mask_at + (y + 1) * mask_stride]
        out = []
        for x in range(width):
            if bits == 32:
                b, g, r, a = row[4 * x:4 * x + 4]
            elif bits == 24:
                b, g, r = row[3 * x:3 * x + 3]
                a = 255
            else:
                per_byte = 8 // bits
                shift = (per_byte - 1 - x % per_byte) * bits
                index = (row[x // per_byte] >> shift) & ((1 << bits) - 1)
                r, g, b = palette[index]
                a = 255
            if bits != 32 and (mask[x // 8] >> (7 - x % 8)) & 1:
                a = 0
            if a == 0:
                r = g = b = 0
            out.append((r, g, b, a))
        rows.append(out)
    return rows


def scaled(rows, factor):
    out = []
    for row in rows:
        wide = [pixel for pixel in row for _ in range(factor)]
        out.extend([wide] * factor)
    return out


def png(rows):
    height, width = len(rows), len(rows[0])

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(v for pixel in row for v in pixel) for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def main():
    icon = read_ico(os.path.join(RES, "p2_icon.ico"))
    base = len(icon)
    for size in SIZES:
        if size % base != 0:
            sys.exit("%d is not a multiple of the icon's %d pixels" % (size, base))
        name = os.path.join(RES, "talvenor-%d.png" % size)
        with open(name, "wb") as f:
            f.write(png(scaled(icon, size // base)))
        print(os.path.relpath(name, ROOT))


if __name__ == "__main__":
    main()
