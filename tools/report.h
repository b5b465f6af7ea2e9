// The report: one fact a line, "name: value", so that two reports diff well.
#pragma once

#include "download_file.h"

#include <cstdio>

struct Detection {
    bool fits_type4;
    bool fits_type6;
    Layout layout; // the layout read: the one that fits, or the one asked for; NONE if neither
};

void print_report(FILE *out, const char *path, size_t size, const Detection &detection,
                  const Inspection &inspection);
