"""A second, deliberately simple model of lumbrix: the image is a dict of address -> byte.

It shares no code or data structure with the engine, so that the two can check each other
on generated input.
"""

WINDOWS = {"0": 0x877FF, "1": 0x877FF, "4": 0x877FF, "2": 0x977FF, "3": 0x977FF,
           "5": 0x977FF, "6": 0x977FF}
BANNER = (b"\n>>  Program:  Lumbrix\n>>  Version:  3.0.2\n>>  Date:     14.March.2008\n"
          b">>  Email:    lin-support@korvane.com\n\n")


def digit(c):
    if 0x30 <= c <= 0x39:
        return c - 0x30
    if 0x41 <= c <= 0x46:
        return c - 0x37
    return (c - 0x57) & 0xFF


def byte_at(line, pos):
    return ((digit(line[pos]) << 4) | digit(line[pos + 1])) & 0xFF


def pieces(data):
    """Split the input as a 512-byte fgets buffer would: at most 511 bytes, ending after LF."""
    pos = 0
    while pos < len(data):
        end = data.find(b"\n", pos, pos + 511)
        end = pos + 511 if end < 0 else end + 1
        yield data[pos:min(end, len(data))]
        pos = end


def read_hex(data, sink):
    messages = b""
    base = 0
    for piece in pieces(data):
        line = piece.split(b"\0")[0]
        if not line or line[0] in b"\r\n":
            continue
        if line[0] != ord(":"):
            messages += b"ERROR: Found invalid ihex line <" + line + b">\n"
            continue
        usable = len(line.split(b"\n")[0])
        bad = b"ERROR: Found invalid checksum in ihex line <" + line + b">\n"
        if usable < 11:
            messages += bad
            continue
        count, record_type = byte_at(line, 1), byte_at(line, 7)
        offset = byte_at(line, 3) << 8 | byte_at(line, 5)
        needed = 11 + 2 * count
        if record_type in (2, 4):
            needed = max(needed, 13)
        if usable < needed or sum(byte_at(line, p) for p in range(1, 11 + 2 * count, 2)) & 0xFF:
            messages += bad
            continue
        if record_type > 5:
            messages += b"ERROR: Found unknown format in ihex line <" + line + b">\n"
        elif record_type == 0:
            sink([byte_at(line, 9 + 2 * i) for i in range(count)], (base + offset) & 0xFFFFFFFF)
        elif record_type == 2:
            base = (byte_at(line, 9) << 8 | byte_at(line, 11)) * 16
        elif record_type == 4:
            base = (byte_at(line, 9) << 8 | byte_at(line, 11)) << 16
    return messages


def download(image, part, protocol):
    pages = sorted({address & ~511 for address in image})
    if protocol == 6 and pages:
        pages = list(range(pages[0], pages[-1] + 512, 512))
    out = bytes([ord(part)]) if protocol == 6 else b""
    for page in pages:
        data = bytes(image.get(page + i, 0xFF) for i in range(512))
        checksum = sum(data[i] | data[i + 1] << 8 for i in range(0, 512, 2))
        if protocol == 4:
            out += page.to_bytes(4, "little") + (512).to_bytes(2, "little")
        else:
            out += (page // 512).to_bytes(2, "little") + b"\x01"
        out += data + checksum.to_bytes(4, "little")
    return out


def scan_int(text):
    """"%d" as the console reads it; None for a number beyond 32 bits."""
    text = text.lstrip(" \t\n\v\f\r")
    sign = -1 if text[:1] == "-" else 1
    if text[:1] in "+-" and text:
        text = text[1:]
    digits = ""
    for c in text:
        if not c.isdigit() or not c.isascii():
            break
        digits += c
    value = sign * int(digits) if digits else 0
    return value if -2**31 <= value < 2**31 else None


def convert(hex_data, part_arg, protocol_arg):
    """What the console prints on both streams, its status and the file it leaves."""
    number = scan_int(part_arg)
    if number is None or not 5510 <= number <= 5516:
        return 1, BANNER, b"ERROR  : Unrecognised <part> Parameter: %s\n\n" % part_arg.encode(), b""
    part = chr(ord("0") + number - 5510)
    protocol = scan_int(protocol_arg)
    protocol = None if protocol is None else protocol & 0xFFFF
    if protocol not in (4, 6):
        return (1, BANNER, b"ERROR  : Unrecognised <protocol> Parameter: %s\n\n"
                % protocol_arg.encode(), b"")
    image = {}
    last = WINDOWS[part]

    def sink(data, address):
        if address + len(data) - 1 > 0xFFFFFFFF:
            return  # the range wraps around and meets no window
        for i, value in enumerate(data):
            if 0x80000 <= address + i <= last:
                image[address + i] = value

    messages = read_hex(hex_data, sink)
    return 0, BANNER + b">>  Conversion Succeeded\n\n", messages, download(image, part, protocol)
