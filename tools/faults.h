// Faults and runs as a report lists them: the first few of each kind shown, the rest only
// counted, so that a file that repeats one fault or gap a million times still gives a short
// report.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>

enum FaultKind {
    FAULT_ONCE, // a fault a file can have only once
    FAULT_LENGTH,
    FAULT_BOUNDARY,
    FAULT_CHECKSUM,
    FAULT_ORDER,
    FAULT_WINDOW,
    FAULT_DIFFERS,
    FAULT_MISSING,
    FAULT_EXTRA,
    FAULT_KINDS
};

constexpr size_t SHOWN = 8; // lines of one kind a report shows before it only counts them

struct FaultList {
    char lines[FAULT_KINDS * SHOWN][160];
    size_t line_count;
    size_t count[FAULT_KINDS];
};

void fault_add(FaultList &list, FaultKind kind, const char *format, ...);

size_t fault_total(const FaultList &list);

// "fault: text" for each line kept, then "fault: n more ..." for each kind that had more.
void fault_print(FILE *out, const FaultList &list);

// Consecutive addresses, from `first` to `last`; `fill` when they hold only 0xFF.
struct Run {
    uint32_t first, last;
    bool fill;
};

// The first `Shown` runs, and how many there were. The slot past them holds each later run
// while it grows, so that a run is counted once however many pieces it comes in.
template <size_t Shown> struct RunList {
    Run runs[Shown + 1];
    size_t count;
};

template <size_t Shown>
void run_add(RunList<Shown> &list, uint32_t first, uint32_t last, bool fill) {
    Run *open = list.count > 0 ? &list.runs[std::min(list.count - 1, Shown)] : nullptr;
    if (open && first == open->last + 1 && fill == open->fill)
        open->last = last;
    else
        list.runs[std::min(list.count++, Shown)] = {first, last, fill};
}

// "name: first-last (n units)" for each run shown, then "name: n more runs".
template <size_t Shown>
void run_print(FILE *out, const char *name, const RunList<Shown> &list, uint32_t unit_size,
               const char *unit) {
    for (size_t i = 0; i < list.count && i < Shown; ++i) {
        const Run &run = list.runs[i];
        uint32_t units = (run.last - run.first + 1) / unit_size;
        fprintf(out, "%s: 0x%X-0x%X (%u %s%s%s)\n", name, run.first, run.last, units, unit,
                units == 1 ? "" : "s", run.fill ? ", only 0xFF" : "");
    }
    if (list.count > Shown)
        fprintf(out, "%s: %zu more runs\n", name, list.count - Shown);
}
