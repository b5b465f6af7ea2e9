#include "faults.h"

#include <cstdarg>
#include <iterator>
#include <numeric>

// In the order of FaultKind: each kind's name, and for those that repeat, what their faults
// are, counted: "fault: 120 more records whose checksum fails".
static const struct {
    const char *name, *more;
} KINDS[FAULT_KINDS] = {
    {"layout", nullptr},
    {"part_code", nullptr},
    {"truncated", nullptr},
    {"no_pages", nullptr},
    {"source_part", nullptr},
    {"source_range", nullptr},
    {"source_outside", nullptr},
    {"source_overlap", nullptr},
    {"source_rejected", nullptr},
    {"source_unread", nullptr},
    {"length", "records that are not one page"},
    {"boundary", "records not on a page boundary"},
    {"checksum", "records whose checksum fails"},
    {"order", "records out of order"},
    {"window", "records outside the flash window"},
    {"differs", "pages that differ from the HEX file"},
    {"missing", "pages the file lacks"},
    {"extra", "pages not in the HEX file"},
};

const char *fault_kind_name(FaultKind kind) {
    return KINDS[kind].name;
}

void fault_add(FaultList &list, FaultKind kind, const char *format, ...) {
    if (list.count[kind]++ >= (kind < FAULT_LENGTH ? 1 : KEPT))
        return;
    FaultList::Entry &entry = list.lines[list.line_count++];
    entry.kind = kind;
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(entry.text, sizeof entry.text, format, arguments);
    va_end(arguments);
}

size_t fault_total(const FaultList &list) {
    return std::accumulate(std::begin(list.count), std::end(list.count), size_t{0});
}

void fault_print(FILE *out, const FaultList &list) {
    size_t printed[FAULT_KINDS] = {};
    for (size_t i = 0; i < list.line_count; ++i)
        if (printed[list.lines[i].kind]++ < SHOWN)
            fprintf(out, "fault: %s\n", list.lines[i].text);
    for (int kind = FAULT_LENGTH; kind < FAULT_KINDS; ++kind)
        if (list.count[kind] > SHOWN)
            fprintf(out, "fault: %zu more %s\n", list.count[kind] - SHOWN, KINDS[kind].more);
}
