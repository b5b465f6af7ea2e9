#include "faults.h"

#include <cstdarg>
#include <iterator>
#include <numeric>

// In the order of FaultKind: each kind's name, and for those that repeat, what their faults
// are, counted, for one and for more: "fault: 120 more records whose checksum fails".
static const struct {
    const char *name, *more_one, *more;
} KINDS[FAULT_KINDS] = {
    {"layout", nullptr, nullptr},
    {"part_code", nullptr, nullptr},
    {"truncated", nullptr, nullptr},
    {"no_pages", nullptr, nullptr},
    {"source_part", nullptr, nullptr},
    {"source_range", nullptr, nullptr},
    {"source_outside", nullptr, nullptr},
    {"source_overlap", nullptr, nullptr},
    {"source_rejected", nullptr, nullptr},
    {"source_unread", nullptr, nullptr},
    {"length", "record that is not one page", "records that are not one page"},
    {"boundary", "record not on a page boundary", "records not on a page boundary"},
    {"checksum", "record whose checksum fails", "records whose checksum fails"},
    {"order", "record out of order", "records out of order"},
    {"window", "record outside the flash window", "records outside the flash window"},
    {"differs", "page that differs from the HEX file", "pages that differ from the HEX file"},
    {"missing", "page the file lacks", "pages the file lacks"},
    {"extra", "page not in the HEX file", "pages not in the HEX file"},
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
            fprintf(out, "fault: %zu more %s\n", list.count[kind] - SHOWN,
                    list.count[kind] - SHOWN == 1 ? KINDS[kind].more_one : KINDS[kind].more);
}
