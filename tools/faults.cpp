#include "faults.h"

#include <cstdarg>
#include <iterator>
#include <numeric>

// What the faults of each kind are, counted: "fault: 120 more records whose checksum fails".
static const char *const MORE[FAULT_KINDS] = {
    "faults",
    "records that are not one page",
    "records not on a page boundary",
    "records whose checksum fails",
    "records out of order",
    "records outside the flash window",
    "pages that differ from the HEX file",
    "pages the file lacks",
    "pages not in the HEX file",
};

static const char *const KIND_NAMES[FAULT_KINDS] = {
    "once", "length", "boundary", "checksum", "order", "window", "differs", "missing", "extra",
};

const char *fault_kind_name(FaultKind kind) {
    return KIND_NAMES[kind];
}

void fault_add(FaultList &list, FaultKind kind, const char *format, ...) {
    if (list.count[kind]++ >= KEPT)
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
    for (int kind = 0; kind < FAULT_KINDS; ++kind)
        if (list.count[kind] > SHOWN)
            fprintf(out, "fault: %zu more %s\n", list.count[kind] - SHOWN, MORE[kind]);
}
