// Checking a download file against the HEX file it was made from.
#pragma once

#include "download_file.h"
#include "lumbrix/parts.h"

#include <cstdint>
#include <vector>

struct SourceRequest {
    const char *path = nullptr;          // the HEX file; null when no check is asked for
    const lumbrix::Part *part = nullptr; // the --part asked for; null when not given
    bool forced_base = false;            // read extended addresses as the dialog program does
    bool strict = false;                 // bytes outside the window and overlaps are faults too
};

// Convert the HEX file again for the part (the --part asked for, else the one a Type 6 file
// names) and compare the result with `file`, read as `layout` (null when unknown) into
// `inspection`: adds the source's report lines to inspection.notes and what differs to
// inspection.faults. Returns false, after saying why on stderr, when the HEX file cannot be
// read or converted.
bool check_source(const SourceRequest &request, const std::vector<uint8_t> &file,
                  const lumbrix::Layout *layout, Inspection &inspection);
