// Faults as a report lists them: in the order found, each kind shown a few times and then only
// counted, so that a file that repeats one fault a million times still gives a short report.
#pragma once

#include <cstddef>
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
