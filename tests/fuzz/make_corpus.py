#!/usr/bin/env python3
"""Writes the seed corpus: real-looking and broken Intel HEX files in corpus/ihex, and the same
files behind two option bytes (layout, part code, force_flash_base; a failing allocation) in
corpus/convert; download files, sound and damaged, behind one option byte (layout asked for,
--strict, read as a stream) in corpus/inspect.

Run it again to remake the seeds; inputs that once crashed a harness are added to the
corpus folders by hand and are not written here.
"""
import random
from pathlib import Path

HERE = Path(__file__).parent


def record(record_type, offset, data):
    fields = bytes([len(data) & 0xFF, offset >> 8, offset & 0xFF, record_type]) + bytes(data)
    return ":" + (fields + bytes([(-sum(fields)) & 0xFF])).hex().upper() + "\n"


def linear(upper):
    return record(0x04, 0, upper.to_bytes(2, "big"))


def segment(paragraph):
    return record(0x02, 0, paragraph.to_bytes(2, "big"))


def data_at(address, data):
    return linear(address >> 16) + record(0x00, address & 0xFFFF, data)


def pattern(count, first=0):
    return bytes((first + 7 * i) & 0xFF for i in range(count))


EOF_RECORD = record(0x01, 0, b"")

SEEDS = {
    "firmware": (HERE / "../../examples/firmware.hex").read_text(),
    "every_type": linear(8) + record(0x00, 0x0100, pattern(16)) + segment(0x8000)
    + record(0x03, 0, b"\x00\x00\x01\x00") + record(0x05, 0, b"\x00\x08\x02\x00")
    + record(0x00, 0x0000, pattern(4)) + EOF_RECORD,
    "lower_case": (linear(8) + record(0x00, 0xABCD, pattern(8))).lower(),
    "largest_record": linear(8) + record(0x00, 0x0000, pattern(255, 1)),
    "largest_record_crlf": (linear(8) + record(0x00, 0, pattern(255, 3))).replace("\n", "\r\n"),
    "window_edges": data_at(0x7FFF8, pattern(16)) + data_at(0x877F8, pattern(16, 3))
    + data_at(0x977F8, pattern(16, 5)) + data_at(0xFFFFFFF8, pattern(16, 9)),
    "single_odd_byte": data_at(0x80001, b"\x00"),
    "descending": "".join(data_at(0x80400 - 32 * i, pattern(32, i)) for i in range(1, 40)),
    "overlapping": data_at(0x80410, pattern(32)) + data_at(0x80404, pattern(40, 2))
    + data_at(0x801F0, pattern(32, 4)) + data_at(0x80408, pattern(8, 6)),
    "forced_bases": segment(0x1000) + record(0x00, 0x0010, pattern(8)) + linear(1)
    + record(0x00, 0xFFF8, pattern(16)) + linear(0x1234) + record(0x00, 0xFFFF, b"\x42"),
    "after_end_of_file": linear(8) + EOF_RECORD + record(0x00, 0x0200, pattern(16)),
    "bad_lines": "garbage line\n;comment\n" + record(0x00, 0, pattern(4))[:-3] + "00\n"
    + record(0x06, 0, pattern(2)) + ":\n:02000004\n:00000004FC\n\n\r\n",
    "crlf": (linear(8) + record(0x00, 0x0000, pattern(16))).replace("\n", "\r\n"),
    "cr_only": (linear(8) + record(0x00, 0x0000, pattern(16))).replace("\n", "\r"),
    "nul_bytes": "\0" + linear(8) + ":10000000\0" + record(0x00, 0x0020, pattern(4)),
    "non_ascii": "\u00e9t\u00e9\n:01000000\u00e92D\n" + data_at(0x80000, pattern(2)),
    "long_line": "x" * 2100 + "\n" + ":" * 1100 + "\n" + data_at(0x80000, pattern(2)),
    "no_final_line_end": data_at(0x80000, pattern(16)).rstrip("\n"),
    "non_hex_digits": ":01000000G1FE\n" + linear(8) + ":01000000\u00e92D\n",
    "address_values": ":00000004FC08\n" + record(0x00, 0, b"\x01") + segment(0x1000) + linear(8)
    + record(0x00, 4, b"\x02") + ":020000040009F0\n" + record(0x00, 8, b"\x03")
    + segment(0x8700) + record(0x00, 0xFFFF, b"\x04"),
    "passed_over": linear(8) + record(0x00, 0, pattern(16))[:-1] + record(0x00, 0x10, pattern(16))
    + "\0" + record(0x00, 0x20, pattern(16)) + "\r" + record(0x00, 0x30, pattern(16))
    + record(0x00, 0x40, pattern(16))[:-1] + " \t\v\f\r\n" + "junk\0\nmore\0x\n"
    + record(0x00, 0x50, pattern(4))[:-1] + "\0\0 \n" + record(0x00, 0x60, pattern(4))[:-1]
    + " " * 1100 + "\n" + EOF_RECORD[:-1] + "\0tail",
    "short_records": ":10000000000102\n:FF00000000000000000000000000\n:02000004\n:00000004FC\n"
    + " :00000001FF\n\r:010001006698\n:0400000001020304\0F2\n" + data_at(0x80000, b"\x05"),
}

# Options: bits 0-2 part code ('0' to '6', 7: none), bit 3 Type 6, bit 4 forced bases; then
# 0x80 + n to make the n-th allocation fail, or 0 for none.
OPTIONS = [0x06, 0x0E, 0x16, 0x1E, 0x00, 0x08, 0x19, 0x0F, 0x27]
FAILING = [0x00, 0x00, 0x85, 0x00, 0x81, 0x00, 0x00, 0x93, 0x00, 0x00, 0x8C]


def generated(rng):
    """A HEX file of mostly valid records near the window edges, with hostile lines among them."""
    def line():
        roll = rng.random()
        if roll < 0.1:
            value = rng.choice([0x0008, 0x0009, 0x0000, 0x0001, 0xFFFF, rng.randrange(0x10000)])
            return linear(value)[:-1]
        if roll < 0.15:
            return segment(rng.choice([0x8000, 0x8700, 0x9000, rng.randrange(0x10000)]))[:-1]
        good = record(0x00, (rng.choice([0, 0x7800, 0x77F0, 0xFFF0]) + rng.randrange(-64, 64))
                      & 0xFFFF, bytes(rng.randrange(256) for _ in range(rng.choice([1, 3, 16, 250, 255]))))
        if roll < 0.75:
            return good[:-1]
        return rng.choice([good[: rng.randrange(1, len(good) - 1)], " " + good[:-1],
                           good[:-4] + "00", good[:-1] + "junk", ":" + "0" * rng.randrange(600),
                           "x" * rng.choice([511, 1023]) + good[:-1], record(rng.choice([3, 5, 6, 0xFF]), 0, b"\x01")[:-1],
                           record(0x00, 0, bytes(300))[:-1]])
    ending = rng.choice(["\n", "\r\n"])
    return linear(8)[:-1] + ending + ending.join(line() for _ in range(rng.randrange(1, 60)))


def page_record(address_field, length_field, page):
    words = sum(page[i] | page[i + 1] << 8 for i in range(0, 512, 2))
    return address_field + length_field + page + words.to_bytes(4, "little")


def type4(addresses, page=pattern(512)):
    return b"".join(page_record(a.to_bytes(4, "little"), (512).to_bytes(2, "little"), page)
                    for a in addresses)


def type6(code, first, count, page=pattern(512)):
    return code + b"".join(page_record((first + n).to_bytes(2, "little"), b"\x01", page)
                           for n in range(count))


DOWNLOADS = {
    "type4_sound": (0x00, type4([0x80000, 0x80200, 0x82000])),
    "type4_fill_pages": (0x08, type4([0x80000, 0x80400], bytes([0xFF]) * 512)),
    "type4_damaged": (0x05, type4([0x80200, 0x80000, 0x97800, 0x12345])[:-7]),
    "type4_bad_checksum": (0x01, type4([0x80000])[:-1] + b"\x00"),
    "type6_sound": (0x00, type6(b"6", 0x400, 5)),
    "type6_small_window": (0x06, type6(b"0", 0x439, 4)),
    "type6_truncated": (0x0A, type6(b"3", 0x400, 2)[:-100]),
    "type6_bad_code": (0x02, type6(b"9", 0x400, 1)),
    "empty": (0x04, b""),
    "header_only": (0x0C, b"6"),
}


def main():
    for folder in ("ihex", "convert", "inspect"):
        (HERE / "corpus" / folder).mkdir(parents=True, exist_ok=True)
    rng = random.Random(551)
    seeds = dict(SEEDS, **{f"generated_{n:02}": generated(rng) for n in range(24)})
    for i, (name, text) in enumerate(sorted(seeds.items())):
        hex_bytes = text.encode("utf-8" if name in ("non_ascii", "non_hex_digits") else "latin-1")
        (HERE / "corpus" / "ihex" / f"{name}.hex").write_bytes(hex_bytes)
        options = bytes([OPTIONS[i % len(OPTIONS)], FAILING[i % len(FAILING)]])
        (HERE / "corpus" / "convert" / f"{name}.bin").write_bytes(options + hex_bytes)
    for name, (options, download) in DOWNLOADS.items():
        (HERE / "corpus" / "inspect" / f"{name}.bin").write_bytes(bytes([options]) + download)


if __name__ == "__main__":
    main()
