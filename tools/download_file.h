// Reading a download file back: which layout it has, its pages, and everything wrong with it.
#pragma once

#include "lumbrix/layout.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The layout whose size and header fields the file has, or null for none. No file fits
// both: every Type 4 size is a multiple of 3 (522 n) and no Type 6 size is (1 + 519 n).
const lumbrix::Layout *fitting_layout(const std::vector<uint8_t> &file);

struct Page {
    uint32_t address;    // of the page's first byte, as the record gives it
    const uint8_t *data; // FLASH_PAGE_SIZE bytes inside the file's buffer
};

struct Inspection {
    int part_code = -1;        // the header byte; -1 for a file without one
    uint32_t window_last = 0;  // last address of the flash window pages are checked against
    size_t records = 0;        // whole records read
    size_t checksums_held = 0; // of those, the records whose checksum holds
    std::vector<Page> pages;   // one per whole record, in file order
    // Further "name: value" lines, reported after the pages.
    std::vector<std::string> notes;
    std::vector<std::string> faults;
};

// One line of a report, printf-style.
std::string format_line(const char *format, ...);

// Append what is left of `in` to `bytes`; false when reading failed.
bool read_stream(FILE *in, std::vector<uint8_t> &bytes);

// Read `file` as `layout`. Records are taken at fixed strides whatever their extent fields
// say; a short tail is reported as a truncated record.
Inspection inspect_download(const std::vector<uint8_t> &file, const lumbrix::Layout &layout);
