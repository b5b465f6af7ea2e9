#!/usr/bin/env python3
"""Turns the dialog program's palette PNG pictures into the Windows resource formats.

    png_to_win32.py icon   IN.png OUT.ico   one 16-colour image; transparent pixels masked out
    png_to_win32.py bitmap IN.png OUT.bmp   a 256-colour bitmap

Standard library only, so that building needs nothing beyond Python itself.
"""
import struct
import sys
import zlib


def read_palette_png(path):
    """Returns (width, height, bit depth, palette, transparent indices, rows of indices)."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG file")
    pos, chunks = 8, {}
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunks[kind] = chunks.get(kind, b"") + data[pos + 8:pos + 8 + length]
        pos += 12 + length
    width, height, depth, colour_type, _, _, interlace = struct.unpack(">IIBBBBB", chunks[b"IHDR"])
    if colour_type != 3 or interlace:
        sys.exit(f"{path}: only non-interlaced palette images are supported")
    plte = chunks[b"PLTE"]
    palette = [tuple(plte[i:i + 3]) for i in range(0, len(plte), 3)]
    alpha = chunks.get(b"tRNS", b"")
    transparent = {i for i, a in enumerate(alpha) if a == 0}
    stride = (width * depth + 7) // 8
    packed = unfilter(zlib.decompress(chunks[b"IDAT"]), stride, height)
    per_byte = 8 // depth
    rows = [[(row[x // per_byte] >> (8 - depth * (x % per_byte + 1))) & ((1 << depth) - 1)
             for x in range(width)] for row in packed]
    return width, height, depth, palette, transparent, rows


def unfilter(raw, stride, height):
    rows, previous, pos = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[pos], bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            left = line[i - 1] if i else 0
            up, up_left = previous[i], previous[i - 1] if i else 0
            line[i] = (line[i] + [0, left, up, (left + up) // 2, paeth(left, up, up_left)][kind]) & 0xFF
        rows.append(line)
        previous = line
    return rows


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def pack_rows(rows, depth):
    """Bottom-up rows, each padded to 32 bits, as BMP and ICO store them."""
    out = b""
    for row in reversed(rows):
        bits = "".join(format(value, f"0{depth}b") for value in row)
        bits += "0" * (-len(bits) % 32)
        out += int(bits, 2).to_bytes(len(bits) // 8, "big")
    return out


def dib(width, height, depth, palette, pixels, mask=b""):
    colours = 1 << depth
    palette = (palette + [(0, 0, 0)] * colours)[:colours]
    header_height = height * 2 if mask else height
    header = struct.pack("<IiiHHIIiiII", 40, width, header_height, 1, depth, 0,
                         len(pixels) + len(mask), 0, 0, colours, 0)
    return header + b"".join(bytes((b, g, r, 0)) for r, g, b in palette) + pixels + mask


def write_icon(source, target):
    width, height, depth, palette, transparent, rows = read_palette_png(source)
    if depth != 4:
        sys.exit(f"{source}: the icon must have 16 colours")
    mask = pack_rows([[int(v in transparent) for v in row] for row in rows], 1)
    image = dib(width, height, 4, palette, pack_rows(rows, 4), mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width, height, 16, 0, 1, 4, len(image), 6 + 16)
    open(target, "wb").write(directory + entry + image)


def write_bitmap(source, target):
    width, height, depth, palette, _, rows = read_palette_png(source)
    if depth != 8:
        sys.exit(f"{source}: the bitmap must have 256 colours")
    image = dib(width, height, 8, palette, pack_rows(rows, 8))
    open(target, "wb").write(b"BM" + struct.pack("<IHHI", 14 + len(image), 0, 0, 14 + 40 + 1024)
                             + image)


if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[1] not in ("icon", "bitmap"):
        sys.exit(__doc__)
    (write_icon if sys.argv[1] == "icon" else write_bitmap)(sys.argv[2], sys.argv[3])
