#!/usr/bin/env python3
"""Draws the dialog program's two pictures as palette PNG files, with the standard library only.

    icon128.png    32 x 32, 16 colours: a blue arrow and a yellow lightning bolt above the
                   red letters LIN (the window icon and the About box icon)
    bitmap130.png  166 x 51, 256 colours: the Korvane logo shown in the About box

Run it from any folder; it writes both files next to itself.
"""
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


def fill_polygon(pixels, points, colour, outline=None):
    """Fills the pixels whose centres lie inside the polygon; outline rings them."""
    height, width = len(pixels), len(pixels[0])
    shape = {(x, y) for y in range(height) for x in range(width)
             if inside_polygon(x + 0.5, y + 0.5, points)}
    for x, y in shape:
        pixels[y][x] = colour
    if outline is None:
        return
    for x, y in shape:
        for nx, ny in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)):
            if 0 <= nx < width and 0 <= ny < height and (nx, ny) not in shape:
                pixels[ny][nx] = outline


def draw_text(pixels, text, left, top, colour, scale_x=1, scale_y=1, spacing=1):
    for glyph in text:
        for row, bits in enumerate(GLYPHS[glyph]):
            for column, bit in enumerate(bits):
                if bit == "1":
                    for dy in range(scale_y):
                        for dx in range(scale_x):
                            pixels[top + row * scale_y + dy][left + column * scale_x + dx] = colour
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


def draw_icon():
    pixels = [[TRANSPARENT] * 32 for _ in range(32)]
    arrow = [(1, 7), (10, 7), (10, 3), (17, 10), (10, 17), (10, 13), (1, 13)]
    fill_polygon(pixels, arrow, BLUE, outline=NAVY)
    bolt = [(25, 1), (30, 1), (26, 8), (30, 8), (20, 19), (23, 10), (19, 10)]
    fill_polygon(pixels, bolt, YELLOW, outline=DARK_RED)
    draw_text(pixels, "LIN", 1, 21, RED, scale_x=2, scale_y=1, spacing=0)
    # Thicken the letters downwards so that they read at 32 pixels.
    for y in range(27, 20, -1):
        for x in range(32):
            if pixels[y][x] == RED and y + 1 < 32:
                pixels[y + 1][x] = RED if pixels[y + 1][x] == TRANSPARENT else pixels[y + 1][x]
    write_png(HERE / "icon128.png", pixels, VGA16, 4, transparent_index=TRANSPARENT)


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
    draw_icon()
    draw_logo()
