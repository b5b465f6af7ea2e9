// Faults and runs as a report lists them: the first few of each kind shown, the rest only
// counted, so that a file that repeats one fault or gap a million times still gives a short
// report. The JSON report lists more of each, up to a bound that keeps memory fixed.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>

// The kinds a file can have only once come first, then those it can have on many records or
// pages.
enum FaultKind {
    FAULT_LAYOUT,
    FAULT_PART_CODE,
    FAULT_TRUNCATED,
    FAULT_NO_PAGES,
    FAULT_SOURCE_PART,
    FAULT_SOURCE_RANGE,
    FAULT_SOURCE_OUTSIDE,
    FAULT_SOURCE_OVERLAP,
    FAULT_SOURCE_REJECTED,
    FAULT_SOURCE_UNREAD,
    FAULT_LENGTH, // the first that can repeat
    FAULT_BOUNDARY,
    FAULT_CHECKSUM,
    FAULT_ORDER,
    FAULT_WINDOW,
    FAULT_DIFFERS,
    FAULT_MISSING,
    FAULT_EXTRA,
    FAULT_KINDS
};

constexpr size_t SHOWN = 8;   // lines of one kind the text report shows before it only counts
constexpr size_t KEPT = 1024; // entries of one kind kept for the JSON report, which counts the rest

// The kind as the JSON report names it: "checksum".
const char *fault_kind_name(FaultKind kind);

struct FaultList {
    struct Entry {
        FaultKind kind;
        char text[160];
    } lines[FAULT_LENGTH + (FAULT_KINDS - FAULT_LENGTH) * KEPT];
    size_t line_count;
    size_t count[FAULT_KINDS];
};

void fault_add(FaultList &list, FaultKind kind, const char *format, ...);

size_t fault_total(const FaultList &list);

// "fault: text" for each line kept, then "fault: n more ..." for each kind that had more.
void fault_print(FILE *out, const FaultList &list);

// Consecutive addresses, from `first` to `last`; `fill` when they hold only 0xFF.
struct AddressRun {
    uint32_t first, last;
    bool fill;
};

// The first KEPT runs, and how many there were. The slot past them holds each later run
// while it grows, so that a run is counted once however many pieces it comes in.
struct RunList {
    AddressRun runs[KEPT + 1];
    size_t count;
};

inline void run_add(RunList &list, uint32_t first, uint32_t last, bool fill) {
    AddressRun *open = list.count > 0 ? &list.runs[std::min(list.count - 1, KEPT)] : nullptr;
    if (open && first == open->last + 1 && fill == open->fill)
        open->last = last;
    else
        list.runs[std::min(list.count++, KEPT)] = {first, last, fill};
}

// "name: first-last (n units)" for each of the first `Shown` runs, then "name: n more runs".
template <size_t Shown>
void run_print(FILE *out, const char *name, const RunList &list, uint32_t unit_size,
               const char *unit) {
    static_assert(Shown <= KEPT);
    for (size_t i = 0; i < list.count && i < Shown; ++i) {
        const AddressRun &run = list.runs[i];
        uint32_t units = (run.last - run.first + 1) / unit_size;
        fprintf(out, "%s: 0x%X-0x%X (%u %s%s%s)\n", name, run.first, run.last, units, unit,
                units == 1 ? "" : "s", run.fill ? ", only 0xFF" : "");
    }
    if (list.count > Shown)
        fprintf(out, "%s: %zu more run%s\n", name, list.count - Shown,
                list.count - Shown == 1 ? "" : "s");
}
