#!/usr/bin/env python3
"""Writes the seed corpus: real-looking and broken Intel HEX files in corpus/ihex, and the same
files behind two option bytes (layout, part code, force_flash_base; a failing allocation) in
corpus/convert.

Run it again to remake the seeds; inputs that once crashed a harness are added to the
corpus folders by hand and are not written here.
"""
from pathlib import Path

HERE = Path(__file__).parent


def record(record_type, offset, data):
    fields = bytes([len(data), offset >> 8, offset & 0xFF, record_type]) + bytes(data)
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
    "largest_record": linear(8) + record(0x00, 0x0000, pattern(250, 1)),
    "too_large_record": linear(8) + record(0x00, 0x0000, pattern(251, 1)),
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
    "long_line": "x" * 1200 + "\n" + ":" * 600 + "\n" + data_at(0x80000, pattern(2)),
    "no_final_line_end": data_at(0x80000, pattern(16)).rstrip("\n"),
}

# Options: bits 0-2 part code ('0' to '6', 7: none), bit 3 Type 6, bit 4 forced bases; then
# 0x80 + n to make the n-th allocation fail, or 0 for none.
OPTIONS = [0x06, 0x0E, 0x16, 0x1E, 0x00, 0x08, 0x19, 0x0F, 0x27]
FAILING = [0x00, 0x00, 0x85, 0x00, 0x81, 0x00, 0x00, 0x93, 0x00, 0x00, 0x8C]


def main():
    for folder in ("ihex", "convert"):
        (HERE / "corpus" / folder).mkdir(parents=True, exist_ok=True)
    for i, (name, text) in enumerate(sorted(SEEDS.items())):
        hex_bytes = text.encode("latin-1") if name != "non_ascii" else text.encode("utf-8")
        (HERE / "corpus" / "ihex" / f"{name}.hex").write_bytes(hex_bytes)
        options = bytes([OPTIONS[i % len(OPTIONS)], FAILING[i % len(FAILING)]])
        (HERE / "corpus" / "convert" / f"{name}.bin").write_bytes(options + hex_bytes)


if __name__ == "__main__":
    main()
