#!/usr/bin/env python3
"""Runs lumbrix on generated HEX files and arguments and compares everything it does with
the model: both output streams, the exit status and the download file, byte for byte.

usage: differential.py LUMBRIX [CASES] [SEED]
"""
import os
import random
import subprocess
import sys
import tempfile

import model

PARTS = ["5510", "5511", "5512", "5513", "5514", "5515", "5516", " 5516", "+5512", "5516x",
         "05514", "5517", "5509", "-5510", "abc", "4294972806", "2147483647"]
PROTOCOLS = ["4", "6", "65540", "65542", "4.9", " 6", "5", "-4", "x4", "0", "-65532",
             "4294967300"]


def record(record_type, offset, data, corrupt=False):
    fields = bytes([len(data) & 0xFF, offset >> 8 & 0xFF, offset & 0xFF, record_type]) + bytes(data)
    checksum = (-sum(fields) + (1 if corrupt else 0)) & 0xFF
    return b":" + (fields + bytes([checksum])).hex().encode()


def data_line(rng, base):
    width = rng.choice([1, 2, 3, 16, 16, 32, 32, 250, 255])
    near = rng.choice([0x0000, 0x7800, 0x77F0, 0xFFF0, rng.randrange(0x10000)])
    offset = (near + rng.randrange(-64, 64)) & 0xFFFF
    data = bytes(rng.randrange(256) for _ in range(width))
    line = record(0, offset, data, corrupt=rng.random() < 0.05)
    return line.upper() if rng.random() < 0.8 else line


def address_line(rng):
    if rng.random() < 0.5:
        value = rng.choice([0x0008, 0x0009, 0x0000, 0x0001, 0xFFFF, rng.randrange(0x10000)])
        return record(4, 0, value.to_bytes(2, "big"))
    value = rng.choice([0x8000, 0x8700, 0x9000, 0x0000, rng.randrange(0x10000)])
    return record(2, 0, value.to_bytes(2, "big"))


def hostile_line(rng):
    good = record(0, rng.randrange(0x10000), bytes(rng.randrange(256) for _ in range(16)))
    choices = [
        lambda: good[: rng.randrange(1, len(good))],
        lambda: b" " + good,
        lambda: b";comment",
        lambda: b"",
        lambda: b"\r",
        lambda: good + b"\r",
        lambda: good + b"trailing junk",
        lambda: good[:9] + b"G1" + good[11:],
        lambda: b":" + bytes(rng.randrange(1, 256) for _ in range(rng.randrange(40))).replace(
            b"\n", b"x"),
        lambda: b":" + b"0" * rng.randrange(600),
        lambda: b"x" * 511 + good,
        lambda: good[:20] + b"\0" + good[20:],
        lambda: record(rng.choice([1, 3, 5, 6, 7, 0xFF]), 0, b"\x01\x02"),
        lambda: record(0, 0, bytes(300)),
        lambda: b":0000000400FC08",
    ]
    return rng.choice(choices)()


def hex_file(rng):
    lines = [record(4, 0, b"\x00\x08")]
    for _ in range(rng.randrange(1, 60)):
        roll = rng.random()
        if roll < 0.7:
            lines.append(data_line(rng, 0))
        elif roll < 0.8:
            lines.append(address_line(rng))
        else:
            lines.append(hostile_line(rng))
    if rng.random() < 0.5:
        lines.append(record(1, 0, b""))
    ending = rng.choice([b"\n", b"\r\n"])
    return ending.join(lines) + (ending if rng.random() < 0.8 else b"")


def run_case(lumbrix, folder, rng):
    hex_data = hex_file(rng)
    part, protocol = rng.choice(PARTS), rng.choice(PROTOCOLS)
    if rng.random() < 0.7:  # most cases should get as far as a conversion
        part, protocol = rng.choice(PARTS[:7]), rng.choice(["4", "6"])
    hex_path, out_path = os.path.join(folder, "in.hex"), os.path.join(folder, "out.qvr")
    with open(hex_path, "wb") as f:
        f.write(hex_data)
    done = subprocess.run([lumbrix, hex_path, out_path, part, protocol], capture_output=True)
    with open(out_path, "rb") as f:
        written = f.read()
    actual = (done.returncode, done.stdout, done.stderr, written)
    expected = model.convert(hex_data, part, protocol)
    return hex_data, part, protocol, actual, expected


def main():
    lumbrix = sys.argv[1]
    cases = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 551)
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        for case in range(cases):
            hex_data, part, protocol, actual, expected = run_case(lumbrix, folder, rng)
            if actual != expected:
                failures += 1
                fields = ["status", "stdout", "stderr", "file"]
                differing = [f for f, a, e in zip(fields, actual, expected) if a != e]
                print(f"case {case}: {part!r} {protocol!r} differs in {differing}")
                with open(os.path.join(os.getcwd(), f"differential-case-{case}.hex"), "wb") as f:
                    f.write(hex_data)
    print(f"{cases - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
