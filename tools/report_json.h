// The report for machines: the text report's facts as one JSON object, its lists complete up
// to KEPT entries each, with how many there were.
#pragma once

#include "inspect.h"

#include <cstdio>

// What a report says, gathered once the file is read.
struct Report {
    const Options &options;
    const Inspection &inspection;
    const SourceCheck *check; // null when not compared
    uint64_t size;
    const lumbrix::Layout *fits; // null for neither
    size_t faults;               // of both lists, shown or not
    const char *result;          // "sound", "faulty" or "empty"
};

// The version of the JSON report's schema: members are only ever added within a version.
constexpr const char *REPORT_SCHEMA = "lumbrix_inspect/1";

void report_json_print(FILE *out, const Report &report);
