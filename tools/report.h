// The report: one fact a line, "name: value", so that two reports diff well.
#pragma once

#include "download_file.h"
#include "source_check.h"

#include <cstdio>

struct Report {
    const char *path;
    uint64_t size;
    const lumbrix::Layout *fits; // the layout the file fits; null if none
    const Inspection *inspection;
    const SourceRequest *source;     // null without --source
    const SourceCheck *source_check; // null when the HEX file was not compared
    size_t faults;
};

// What the report says the file fits: a layout's name, or "neither".
const char *fit_text(const lumbrix::Layout *fits);

void report_print(FILE *out, const Report &report);
