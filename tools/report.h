// The report: one fact a line, "name: value", so that two reports diff well.
#pragma once

#include "download_file.h"

#include <cstdio>

struct Detection {
    const lumbrix::Layout *fits;   // the layout the file fits; null if none
    const lumbrix::Layout *layout; // the layout read: the one that fits, or the one asked for
};

// What the report says the file fits: a layout's name, or "neither".
const char *fit_text(const lumbrix::Layout *fits);

void print_report(FILE *out, const char *path, size_t size, const Detection &detection,
                  const Inspection &inspection);
