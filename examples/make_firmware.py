#!/usr/bin/env python3
"""Writes firmware.hex: a small sample image for a Tarvic5516 (94 KiB flash window).

A vector table at the start of flash, code spread over three pages, a calibration block in a
page of its own further up, and a start address record, in the records a linker emits.
Run it again to remake the file: the contents are fixed by the seed.
"""
import random
from pathlib import Path


def record(record_type, offset, data):
    fields = bytes([len(data), offset >> 8, offset & 0xFF, record_type]) + bytes(data)
    checksum = (-sum(fields)) & 0xFF
    return ":" + (fields + bytes([checksum])).hex().upper()


def data_records(address, data, width):
    for i in range(0, len(data), width):
        yield record(0x00, (address + i) & 0xFFFF, data[i : i + width])


def main():
    rng = random.Random(5516)
    vectors = b"".join((0x80200 + 4 * i).to_bytes(4, "little") for i in range(32))
    code = bytes(rng.randrange(256) for _ in range(1200))
    calibration = bytes(range(64))
    lines = [record(0x04, 0, b"\x00\x08")]  # upper address 0x0008: flash at 0x80000
    lines += data_records(0x0000, vectors, 32)
    lines += data_records(0x0200, code, 16)
    lines += data_records(0x2000, calibration, 32)
    lines.append(record(0x05, 0, (0x80200).to_bytes(4, "big")))
    lines.append(record(0x01, 0, b""))
    Path(__file__).with_name("firmware.hex").write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
