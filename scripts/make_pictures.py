#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draw the window's pictures (background panel, icons, button glyphs).

Run from the repository root:

    python3 scripts/make_pictures.py

Everything is drawn from code and written with hand-rolled BMP, ICO and
GIF89a writers, so the output is byte-for-byte identical on every run and
needs nothing beyond the Python standard library.  The files land in res/.
"""

import math
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT_DIR = os.path.join(ROOT, "res")


# ---------------------------------------------------------------------------
# Small helpers
# ---------------------------------------------------------------------------

def new_grid(width, height, value):
    return [[value] * width for _ in range(height)]


def from_art(rows, legend):
    """Turn a list of equal-length strings into a grid of palette indices."""
    width = len(rows[0])
    grid = []
    for y, row in enumerate(rows):
        if len(row) != width:
            raise ValueError("art row %d has length %d, expected %d" % (y, len(row), width))
        grid.append([legend[ch] for ch in row])
    return grid


def place(dest, src, left, top):
    for y, row in enumerate(src):
        for x, v in enumerate(row):
            dest[top + y][left + x] = v


def round_half_up(v):
    return int(math.floor(v + 0.5))


def pack_row(indices, bits):
    """Pack palette indices MSB-first into bytes, padded to 4-byte multiple."""
    out = bytearray()
    acc = 0
    nbits = 0
    for v in indices:
        acc = (acc << bits) | v
        nbits += bits
        if nbits == 8:
            out.append(acc)
            acc = 0
            nbits = 0
    if nbits:
        out.append(acc << (8 - nbits))
    while len(out) % 4:
        out.append(0)
    return bytes(out)


def palette_bytes(palette, entries):
    """RGBQUAD table (blue, green, red, reserved), padded with black."""
    if len(palette) > entries:
        raise ValueError("palette has %d colours, room for %d" % (len(palette), entries))
    out = bytearray()
    for r, g, b in list(palette) + [(0, 0, 0)] * (entries - len(palette)):
        out += bytes((b, g, r, 0))
    return bytes(out)


def write(name, data):
    path = os.path.join(OUT_DIR, name)
    with open(path, "wb") as f:
        f.write(data)
    return path


# ---------------------------------------------------------------------------
# BMP
# ---------------------------------------------------------------------------

def info_header(width, height, bits, image_size, colours_used, ppm):
    return struct.pack(
        "<IiiHHIIiiII",
        40,            # biSize
        width,
        height,        # positive: rows stored bottom-up
        1,             # biPlanes
        bits,
        0,             # BI_RGB
        image_size,
        ppm,
        ppm,
        colours_used,
        0,             # biClrImportant
    )


def bmp_file(width, height, bits, pixel_rows, table=b"", colours_used=0):
    """pixel_rows are already packed rows, top row first."""
    body = b"".join(reversed(pixel_rows))
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    return header + info_header(width, height, bits, len(body), colours_used, 2835) + table + body


def bmp_rgb24(pixels):
    height = len(pixels)
    width = len(pixels[0])
    rows = []
    for row in pixels:
        raw = bytearray()
        for r, g, b in row:
            raw += bytes((b, g, r))
        while len(raw) % 4:
            raw.append(0)
        rows.append(bytes(raw))
    return bmp_file(width, height, 24, rows)


def bmp_indexed4(grid, palette):
    height = len(grid)
    width = len(grid[0])
    rows = [pack_row(row, 4) for row in grid]
    return bmp_file(width, height, 4, rows, palette_bytes(palette, 16), 16)


# ---------------------------------------------------------------------------
# ICO (single image, palettised colour bitmap plus 1-bit AND mask)
# ---------------------------------------------------------------------------

def ico_file(grid, palette, bits, transparent):
    height = len(grid)
    width = len(grid[0])
    entries = 1 << bits
    xor_rows = []
    and_rows = []
    for row in grid:
        colour = [0 if v == transparent else v for v in row]
        mask = [1 if v == transparent else 0 for v in row]
        xor_rows.append(pack_row(colour, bits))
        and_rows.append(pack_row(mask, 1))
    xor_data = b"".join(reversed(xor_rows))
    and_data = b"".join(reversed(and_rows))
    table = palette_bytes(palette, entries)
    dib = (info_header(width, height * 2, bits, len(xor_data) + len(and_data), 0, 0)
           + table + xor_data + and_data)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack(
        "<BBBBHHII",
        width & 0xFF,
        height & 0xFF,
        entries if entries < 256 else 0,
        0,
        1,             # planes
        bits,
        len(dib),
        6 + 16,        # image data follows the single directory entry
    )
    return directory + entry + dib


# ---------------------------------------------------------------------------
# GIF89a with LZW compression
# ---------------------------------------------------------------------------

def lzw_encode(indices, min_code_size):
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    acc = 0
    nbits = 0

    def emit(code, width):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    def reset():
        return {(i,): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, width = reset()
    emit(clear, width)
    current = ()
    for v in indices:
        candidate = current + (v,)
        if candidate in table:
            current = candidate
            continue
        emit(table[current], width)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            # The decoder widens its codes once the table reaches the limit
            # of the current width, one step behind us; match it.
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear, width)
            table, next_code, width = reset()
        current = (v,)
    if current:
        emit(table[current], width)
    emit(end, width)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def gif_file(grid, palette, transparent):
    height = len(grid)
    width = len(grid[0])
    size_bits = 1
    while (1 << size_bits) < len(palette):
        size_bits += 1
    table_len = 1 << size_bits
    colours = bytearray()
    for r, g, b in list(palette) + [(0, 0, 0)] * (table_len - len(palette)):
        colours += bytes((r, g, b))
    min_code_size = max(2, size_bits)

    data = bytearray(b"GIF89a")
    # Logical screen: global colour table present, 8-bit colour resolution.
    data += struct.pack("<HHBBB", width, height, 0x80 | 0x70 | (size_bits - 1), transparent, 0)
    data += colours
    # Graphic control extension: no disposal, no delay, transparency on.
    data += bytes((0x21, 0xF9, 4, 0x01, 0, 0, transparent, 0))
    # Image descriptor: full frame, no local table, not interlaced.
    data += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0)
    data.append(min_code_size)
    stream = lzw_encode([v for row in grid for v in row], min_code_size)
    for i in range(0, len(stream), 255):
        chunk = stream[i:i + 255]
        data.append(len(chunk))
        data += chunk
    data.append(0)
    data.append(0x3B)
    return bytes(data)


# ---------------------------------------------------------------------------
# P1: the main window's background panel
# ---------------------------------------------------------------------------

PANEL = (89, 117, 255)
PANEL_EDGE = (50, 66, 255)      # middle of a side, outermost pixel
PANEL_CORNER = (33, 46, 255)    # corner pixel
BORDER = 16


def edge_weight(distance):
    """1.0 on the outermost pixel, easing down to 0.0 at BORDER pixels in."""
    if distance >= BORDER:
        return 0.0
    u = (BORDER - distance) / float(BORDER)
    return u * u * (3.0 - 2.0 * u)


def shade_channel(flat, edge, corner, sx, sy):
    # Each side darkens by (flat - edge); where two sides meet the sum is
    # eased back so the corner lands on its own value rather than double.
    side = flat - edge
    overlap = 2 * side - (flat - corner)
    return flat - side * (sx + sy) + overlap * sx * sy


def draw_background(width=367, height=287):
    wx = [edge_weight(min(x, width - 1 - x)) for x in range(width)]
    wy = [edge_weight(min(y, height - 1 - y)) for y in range(height)]
    pixels = []
    for y in range(height):
        row = []
        for x in range(width):
            sx, sy = wx[x], wy[y]
            if sx == 0.0 and sy == 0.0:
                row.append(PANEL)
                continue
            row.append(tuple(
                max(0, min(255, round_half_up(shade_channel(f, e, c, sx, sy))))
                for f, e, c in zip(PANEL, PANEL_EDGE, PANEL_CORNER)))
        pixels.append(row)
    return pixels


# ---------------------------------------------------------------------------
# P2: application icon, a television showing colour bars
# ---------------------------------------------------------------------------

TV_PALETTE = [
    (0, 0, 0),          # 0  transparent slot / black
    (20, 20, 20),       # 1  outline
    (150, 92, 46),      # 2  cabinet wood
    (196, 132, 74),     # 3  wood highlight
    (98, 58, 28),       # 4  wood shadow
    (60, 60, 60),       # 5  bezel
    (255, 255, 255),    # 6  bar white
    (255, 255, 0),      # 7  bar yellow
    (0, 255, 255),      # 8  bar cyan
    (0, 255, 0),        # 9  bar green
    (255, 0, 255),      # 10 bar magenta
    (255, 0, 0),        # 11 bar red
    (0, 0, 255),        # 12 bar blue
    (200, 200, 200),    # 13 knob / antenna
    (120, 120, 120),    # 14 knob shade / grille
    (235, 235, 235),    # 15 screen glint
]


def draw_tv():
    T = 255   # marker for transparent pixels; never a real palette slot here
    g = new_grid(32, 32, T)

    # Rabbit-ear antenna meeting at a small base on top of the cabinet.
    for i in range(7):
        g[1 + i][9 + i] = 14
        g[1 + i][22 - i] = 14
    g[0][8] = 1
    g[0][23] = 1
    for x in range(13, 19):
        g[7][x] = 1
        g[8][x] = 14
    g[8][13] = 1
    g[8][18] = 1

    # Cabinet: x 1..30, y 9..27, rounded corners, black outline.
    left, right, top, bottom = 1, 30, 9, 27
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            g[y][x] = 2
    for x in range(left, right + 1):
        g[top][x] = 1
        g[bottom][x] = 1
    for y in range(top, bottom + 1):
        g[y][left] = 1
        g[y][right] = 1
    for x, y in ((left, top), (right, top), (left, bottom), (right, bottom)):
        g[y][x] = T
    g[top + 1][left + 1] = 1
    g[top + 1][right - 1] = 1
    g[bottom - 1][left + 1] = 1
    g[bottom - 1][right - 1] = 1
    # Light along the top and left, shadow along the bottom and right.
    for x in range(left + 2, right - 1):
        g[top + 1][x] = 3
        g[bottom - 1][x] = 4
    for y in range(top + 2, bottom - 1):
        g[y][left + 1] = 3
        g[y][right - 1] = 4

    # Screen bezel and picture: seven bars, three pixels each.
    bl, br, bt, bb = 3, 25, 11, 25
    for y in range(bt, bb + 1):
        for x in range(bl, br + 1):
            g[y][x] = 5
    bars = [6, 7, 8, 9, 10, 11, 12]
    sl, st, sb = 4, 12, 24
    for y in range(st, sb + 1):
        for i, colour in enumerate(bars):
            for k in range(3):
                g[y][sl + 3 * i + k] = colour
    # Rounded picture corners.
    for x, y in ((sl, st), (sl + 20, st), (sl, sb), (sl + 20, sb)):
        g[y][x] = 5

    # Control column: two knobs and a speaker grille.
    for cy in (13, 17):
        g[cy - 1][27] = 13
        g[cy][26] = 13
        g[cy][27] = 13
        g[cy][28] = 14
        g[cy + 1][27] = 14
    for y in (21, 23, 25):
        for x in (26, 28):
            g[y][x] = 14

    # Feet.
    for x in (4, 5, 26, 27):
        g[28][x] = 1
        g[29][x] = 1
    g[28][3] = 1
    g[28][28] = 1
    return g, T


# ---------------------------------------------------------------------------
# P3: pointing hand used as the link pointer (hot spot at the fingertip)
# ---------------------------------------------------------------------------

HAND_PALETTE = [
    (0, 0, 0),          # 0 black
    (128, 0, 0),
    (0, 128, 0),
    (128, 128, 0),
    (0, 0, 128),
    (128, 0, 128),
    (0, 128, 128),
    (128, 128, 128),
    (192, 192, 192),
    (255, 0, 0),
    (0, 255, 0),
    (255, 255, 0),
    (0, 0, 255),
    (255, 0, 255),
    (0, 255, 255),
    (255, 255, 255),    # 15 white
]

HAND_ART = [
    "....###..........",
    "...#ooo#.........",
    "...#ooo#.........",
    "...#ooo#.........",
    "...#ooo#.........",
    "...#ooo###.......",
    "...#ooo#oo###....",
    "...#ooo#oo#oo###.",
    "...#ooo#oo#oo#oo#",
    ".###ooo#oo#oo#oo#",
    "#oo#oooooooooooo#",
    "#ooo#ooooooooooo#",
    "#oooo#oooooooooo#",
    ".#oooooooooooooo#",
    "..#ooooooooooooo#",
    "..#oooooooooooo#.",
    "...#ooooooooooo#.",
    "...#oooooooooo#..",
    "....#ooooooooo#..",
    "....#ooooooooo#..",
    "....###########..",
]
# The pointer's hot spot: middle of the fingertip's top edge.
HAND_HOTSPOT = (5, 0)


def draw_hand():
    T = 255
    art = from_art(HAND_ART, {".": T, "#": 0, "o": 15})
    hx, hy = HAND_HOTSPOT
    top = [x for x, v in enumerate(art[0]) if v != T]
    if hy != 0 or art[hy][hx] == T or hx != (top[0] + top[-1]) // 2:
        raise ValueError("hot spot is not the fingertip")
    g = new_grid(32, 32, T)
    place(g, art, 0, 0)
    return g, T


# ---------------------------------------------------------------------------
# P4: loudspeaker with sound waves
# ---------------------------------------------------------------------------

GLYPH_BACK = (192, 192, 192)    # shown if a viewer ignores transparency


SPEAKER_ART = [
    "......#.........",
    ".....##......#..",
    "....###...#...#.",
    "...####....#..#.",
    "#######.#...#..#",
    "#######..#..#..#",
    "#######..#..#..#",
    "#######..#..#..#",
    "#######.#...#..#",
    "...####....#..#.",
    "....###...#...#.",
    ".....##......#..",
    "......#.........",
]


def draw_speaker():
    # Magnet and cone on the left, three sound waves growing to the right.
    g = from_art(SPEAKER_ART, {".": 0, "#": 1})
    return g, [GLYPH_BACK, (0, 0, 0)], 0


# ---------------------------------------------------------------------------
# P5: drop-down arrow, anti-aliased with greys
# ---------------------------------------------------------------------------

ARROW_PALETTE = [
    GLYPH_BACK,         # 0 transparent
    (0, 0, 0),          # 1
    (32, 32, 32),
    (64, 64, 64),
    (96, 96, 96),
    (128, 128, 128),
    (150, 150, 150),
    (170, 170, 170),
]


def draw_arrow():
    w = h = 23
    # Downward triangle in continuous coordinates, symmetric about the
    # middle column and inside the central 13x13 (pixels 5..17).
    ax, ay = 5.5, 9.0
    bx, by = 17.5, 9.0
    px, py = 11.5, 15.0

    def inside(x, y):
        def side(x1, y1, x2, y2):
            return (x2 - x1) * (y - y1) - (y2 - y1) * (x - x1)
        s1 = side(ax, ay, bx, by)
        s2 = side(bx, by, px, py)
        s3 = side(px, py, ax, ay)
        return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)

    n = 8
    g = new_grid(w, h, 0)
    for y in range(h):
        for x in range(w):
            hits = 0
            for j in range(n):
                for i in range(n):
                    if inside(x + (i + 0.5) / n, y + (j + 0.5) / n):
                        hits += 1
            cover = hits / float(n * n)
            if cover < 0.12:
                continue
            # Blend black over the button face and pick the nearest grey.
            level = 192.0 * (1.0 - cover)
            best = min(range(1, len(ARROW_PALETTE)),
                       key=lambda k: abs(ARROW_PALETTE[k][0] - level))
            g[y][x] = best
    return g, ARROW_PALETTE, 0


# ---------------------------------------------------------------------------
# P6 / P7: title-bar style buttons on a grey tile
# ---------------------------------------------------------------------------

TILE_PALETTE = HAND_PALETTE     # same standard 16-colour set
TILE_GREY = 8
TILE_BLACK = 0
TILE_DARK = 7
TILE_TITLE = 4


def draw_small_window(g, left, top, right, bottom):
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            g[y][x] = TILE_GREY
    for x in range(left, right + 1):
        g[top][x] = TILE_BLACK
        g[top + 1][x] = TILE_TITLE
        g[bottom][x] = TILE_BLACK
    for y in range(top, bottom + 1):
        g[y][left] = TILE_BLACK
        g[y][right] = TILE_BLACK


def draw_minimise():
    g = new_grid(13, 13, TILE_GREY)
    draw_small_window(g, 4, 2, 11, 7)    # behind
    draw_small_window(g, 1, 5, 8, 10)    # in front
    return g


def draw_cross():
    g = new_grid(13, 13, TILE_GREY)
    # Each stroke is two pixels wide, so the glyph is one column wider than
    # it is tall; that keeps it symmetric left/right and top/bottom.
    top, bottom = 2, 9
    left = 2
    right = left + (bottom - top) + 1
    for y in range(top, bottom + 1):
        k = y - top
        for x in (left + k, left + k + 1, right - k, right - k - 1):
            g[y][x] = TILE_BLACK
    return g


# ---------------------------------------------------------------------------

def main():
    os.makedirs(OUT_DIR, exist_ok=True)
    written = []

    written.append(write("p1_background.bmp", bmp_rgb24(draw_background())))

    tv, tv_transparent = draw_tv()
    written.append(write("p2_icon.ico", ico_file(tv, TV_PALETTE, 8, tv_transparent)))

    hand, hand_transparent = draw_hand()
    written.append(write("p3_hand.ico", ico_file(hand, HAND_PALETTE, 4, hand_transparent)))

    grid, palette, transparent = draw_speaker()
    written.append(write("p4_speaker.gif", gif_file(grid, palette, transparent)))

    grid, palette, transparent = draw_arrow()
    written.append(write("p5_arrow.gif", gif_file(grid, palette, transparent)))

    written.append(write("p6_minimise.bmp", bmp_indexed4(draw_minimise(), TILE_PALETTE)))
    written.append(write("p7_cross.bmp", bmp_indexed4(draw_cross(), TILE_PALETTE)))

    for path in written:
        print(os.path.relpath(path, ROOT))
    return 0


if __name__ == "__main__":
    sys.exit(main())
