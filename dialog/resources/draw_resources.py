#!/usr/bin/env python3
"""Draws the dialog program's two pictures as palette PNG files, with the standard library only.

    icon128.png    32 x 32, 16 colours: a blue arrow and a yellow lightning bolt above the
                   red letters LIN (the window icon and the About box icon)
    hicolor/NxN.png  the same icon at the other sizes of the desktop's icon theme
    bitmap130.png  166 x 51, 256 colours: the Korvane logo shown in the About box

Run it from any folder; it writes the pictures next to itself.
"""
import math
import pathlib
import struct
import zlib

HERE = pathlib.Path(__file__).resolve().parent

# The 16 colours of the classic VGA palette; index 0 doubles as the transparent background.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
TRANSPARENT, DARK_RED, NAVY, GREY, RED, YELLOW, BLUE = 0, 1, 4, 8, 9, 11, 12

# The sizes of the desktop's hicolor icon theme; 32 is icon128.png itself.
ICON_SIZES = (16, 32, 48, 64, 128, 256)

# 5 x 7 capitals, enough for the letters the two pictures use.
GLYPHS = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "V": ["10001", "10001", "10001", "10001", "01010", "01010", "00100"],
}


def inside_polygon(x, y, points):
    """Even-odd test of the point (x, y) against a closed polygon."""
    inside = False
    for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            inside = not inside
    return inside


def fill_polygon(pixels, points, colour, outline=None, ring=1):
    """Fills the pixels whose centres lie inside the polygon; outline rings them, ring deep."""
    height, width = len(pixels), len(pixels[0])
    shape = {(x, y) for y in range(height) for x in range(width)
             if inside_polygon(x + 0.5, y + 0.5, points)}
    for x, y in shape:
        pixels[y][x] = colour
    if outline is None:
        return
    grown = set(shape)
    for _ in range(ring):
        grown |= {(nx, ny) for x, y in grown
                  for nx, ny in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1))
                  if 0 <= nx < width and 0 <= ny < height}
    for x, y in grown - shape:
        pixels[y][x] = outline


def fill_rect(pixels, left, top, width, height, colour):
    """Fills the pixels whose centres lie inside the rectangle."""
    for y in range(math.ceil(top - 0.5), math.ceil(top + height - 0.5)):
        for x in range(math.ceil(left - 0.5), math.ceil(left + width - 0.5)):
            pixels[y][x] = colour


def draw_text(pixels, text, left, top, colour, scale_x=1, scale_y=1, spacing=1, stroke=1):
    """Each glyph bit is a block scale_x wide and stroke rows of scale_y deep."""
    for glyph in text:
        for row, bits in enumerate(GLYPHS[glyph]):
            for column, bit in enumerate(bits):
                if bit == "1":
                    fill_rect(pixels, left + column * scale_x, top + row * scale_y, scale_x,
                              stroke * scale_y, colour)
        left += (5 + spacing) * scale_x


def write_png(path, pixels, palette, bit_depth, transparent_index=None):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    per_byte = 8 // bit_depth
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # no filter
        for start in range(0, len(row), per_byte):
            byte = 0
            for index in row[start:start + per_byte]:
                byte = (byte << bit_depth) | index
            byte <<= bit_depth * (per_byte - len(row[start:start + per_byte]))
            raw.append(byte)
    header = struct.pack(">IIBBBBB", len(pixels[0]), len(pixels), bit_depth, 3, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
    png += chunk(b"PLTE", b"".join(bytes(colour) for colour in palette))
    if transparent_index is not None:
        png += chunk(b"tRNS", bytes(255 if i != transparent_index else 0
                                    for i in range(transparent_index + 1)))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")
    path.write_bytes(png)


def draw_icon(size):
    """The icon drawn on a 32-unit grid scaled to size pixels; outlines scale with it."""
    scale = size / 32
    pixels = [[TRANSPARENT] * size for _ in range(size)]
    arrow = [(1, 7), (10, 7), (10, 3), (17, 10), (10, 17), (10, 13), (1, 13)]
    bolt = [(25, 1), (30, 1), (26, 8), (30, 8), (20, 19), (23, 10), (19, 10)]
    ring = round(scale)  # none at 16 pixels, where an outline would swamp the shapes
    for shape, fill, outline in ((arrow, BLUE, NAVY), (bolt, YELLOW, DARK_RED)):
        points = [(x * scale, y * scale) for x, y in shape]
        fill_polygon(pixels, points, fill, outline=outline, ring=ring)
    # Letters two rows deep, so that they read at 32 pixels.
    draw_text(pixels, "LIN", scale, 21 * scale, RED, scale_x=2 * scale, scale_y=scale,
              spacing=0, stroke=2)
    return pixels


def write_icons():
    """icon128.png is the program's own 32-pixel icon; the theme takes every size."""
    write_png(HERE / "icon128.png", draw_icon(32), VGA16, 4, transparent_index=TRANSPARENT)
    (HERE / "hicolor").mkdir(exist_ok=True)
    for size in ICON_SIZES:
        if size != 32:
            write_png(HERE / "hicolor" / f"{size}x{size}.png", draw_icon(size), VGA16, 4,
                      transparent_index=TRANSPARENT)


def draw_logo():
    width, height = 166, 51
    colours = []

    def colour_index(rgb):
        if rgb not in colours:
            colours.append(rgb)
        return colours.index(rgb)

    # A white-to-pale-blue wash under the whole logo.
    pixels = [[colour_index((255 - x * 40 // width, 255 - x * 25 // width, 255))
               for x in range(width)] for _ in range(height)]
    navy, red, white = colour_index((16, 40, 110)), colour_index((200, 24, 32)), colour_index((255, 255, 255))
    # Emblem: a navy disc crossed by a red lightning stroke.
    for y in range(height):
        for x in range(50):
            if (x - 25) ** 2 + (y - 25) ** 2 <= 21 ** 2:
                pixels[y][x] = navy
    fill_polygon(pixels, [(29, 8), (35, 8), (27, 23), (33, 23), (19, 44), (22, 28), (16, 28)], red,
                 outline=white)
    draw_text(pixels, "KORVANE", 54, 10, navy, scale_x=2, scale_y=3, spacing=1)
    for y in range(36, 39):
        for x in range(54, 161):
            pixels[y][x] = red
    write_png(HERE / "bitmap130.png", pixels, colours, 8)


if __name__ == "__main__":
    write_icons()
    draw_logo()
