#!/usr/bin/env python3
"""lumbrix_inspect's text report from its JSON report (the file named), read from the schema."""
import json
import sys

SHOWN = 8
KEPT = 1024  # entries of one kind a JSON list holds; its count says how many there were
MORE = {"length": ("record that is", "records that are", " not one page"),
        "boundary": ("record", "records", " not on a page boundary"),
        "checksum": ("record", "records", " whose checksum fails"),
        "order": ("record", "records", " out of order"),
        "window": ("record", "records", " outside the flash window"),
        "differs": ("page that differs", "pages that differ", " from the HEX file"),
        "missing": ("page", "pages", " the file lacks"), "extra": ("page", "pages", " not in the HEX file")}


def plural(n, unit):
    return f"{n} {unit}{'' if n == 1 else 's'}"


def runs(name, of, shown, unit):
    assert len(of["runs"]) == min(of["count"], KEPT)
    for run in of["runs"][:shown]:
        assert run.keys() == {"first", "last", unit + "s"} | ({"only_0xff"} if unit == "page" else set())
        fill = ", only 0xFF" if run.get("only_0xff") else ""
        yield f"{name}: 0x{run['first']:X}-0x{run['last']:X} ({plural(run[unit + 's'], unit)}{fill})"
    yield from [f"{name}: {plural(of['count'] - shown, 'more run')}"] if of["count"] > shown else []


ONCE = {"layout", "part_code", "truncated", "no_pages", "source_part", "source_range",
        "source_outside", "source_overlap", "source_rejected", "source_unread"}


def lines(of):
    assert len(of["lines"]) == min(of["count"], KEPT)
    return of["lines"][:SHOWN]


def faults(of):
    listed = {}
    for fault in of["list"]:
        assert fault["kind"] in ONCE | MORE.keys(), fault
        listed[fault["kind"]] = listed.get(fault["kind"], 0) + 1
        if listed[fault["kind"]] <= SHOWN:
            yield f"fault: {fault['text']}"
    assert all(n > 0 and listed.get(k, 0) == min(n, 1 if k in ONCE else KEPT) for k, n in of["counts"].items())
    for kind, (one, many, rest) in MORE.items():
        if of["counts"].get(kind, 0) > SHOWN:
            more = of["counts"][kind] - SHOWN
            yield f"fault: {more} more {one if more == 1 else many}{rest}"


def part(p):
    return f"{p['name'] or 'no name'} (console number {p['console_number']})"


def escaped(text):
    return '"' + "".join(f"\\{c}" if c in '"\\' else c if " " <= c <= "~" else f"\\x{ord(c):02X}"
                         for c in text) + '"'


def window(first, last):
    return f"0x{first:X}-0x{last:X} ({(last - first + 1) // 1024} KiB"


def text_of(r):
    yield from [f"file: {r['file']}", f"size: {r['size']} bytes", f"fits: {r['fits'] or 'neither'}",
                f"layout: {r['layout'] or 'unknown'}"]
    if r["layout"]:
        if r["layout"] == "Type 4":
            yield "part: not recorded in a Type 4 file"
        elif r["part"]:
            yield f"part code: '{chr(r['part_code'])}' (0x{r['part_code']:02X})"
            yield f"part: {part(r['part'])}"
        elif r["part_code"] is not None:
            yield f"part code: 0x{r['part_code']:02X}"
        w = r["flash_window"]
        larger = "" if w["named"] else ", the larger one, as the file names no part"
        yield f"flash window: {window(w['first'], w['last'])}{larger})"
        yield f"records: {r['records']}"
        yield f"checksums held: {r['checksums_held']} of {r['records']}"
        if r["records"] == 0:
            assert r["first_address"] is None and r["last_address"] is None
            yield "pages: none"
        else:
            yield f"first address: 0x{r['first_address']:X}"
            yield f"last address: 0x{r['last_address']:X}"
            yield from runs("pages", r["pages"], 188, "page")
    s = r.get("source")
    if s:
        yield f"source: {s['path']}"
    if s and s["compared"]:
        yield f"source part: {part(s['part'])}"
        yield f"source window: {window(s['window']['first'], s['window']['last'])})"
        yield f"source addresses: {'forced into the flash region' if s['forced_base'] else 'as given'}"
        yield f"source bytes in window: {s['bytes_in_window']}"
        yield f"source bytes outside window: {s['bytes_outside_window']}"
        yield from runs("dropped", s["dropped"], SHOWN, "byte")
        yield from runs("overlap", s["overlaps"], SHOWN, "byte")
        yield f"rejected: {plural(s['rejected']['count'], 'line')}"
        yield from (f"rejected: line {x['line']}: {x['fault']}" for x in lines(s["rejected"]))
        yield f"unread: {plural(s['unread']['count'], 'line')}"
        yield from (f"unread: line {x['line']}: {escaped(x['text'])}{'...' if x['cut'] else ''}"
                    for x in lines(s["unread"]))
    yield from faults(r["faults"])
    if s and s["compared"]:
        yield from faults(s["faults"])
    yield from [f"faults: {r['fault_count']}", f"result: {r['result']}"]


if __name__ == "__main__":
    with open(sys.argv[1], encoding="utf-8") as file:
        report = json.load(file)
    assert report["schema"] == "lumbrix_inspect/1"
    sys.stdout.write("".join(line + "\n" for line in text_of(report)))
