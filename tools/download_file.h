// Reading a download file back: which layout it has, its pages, and everything wrong with it.
#pragma once

#include "lumbrix/download.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class Layout { NONE, TYPE4, TYPE6 };

// Record lengths: address, length field, page, checksum (Type 4); page number, page count,
// page, checksum (Type 6). A Type 6 file begins with one part-code byte.
constexpr size_t TYPE4_RECORD_SIZE = 4 + 2 + PAGE_SIZE + 4;
constexpr size_t TYPE6_RECORD_SIZE = 2 + 1 + PAGE_SIZE + 4;

// Whether the file's size and header fields are those of a sound file of each layout.
// Type 4: whole 522-byte records whose length fields read 512. Type 6: a part-code byte
// '0' to '6' and whole 519-byte records.
bool fits_type4(const std::vector<uint8_t> &file);
bool fits_type6(const std::vector<uint8_t> &file);

struct Page {
    uint32_t address;    // of the page's first byte, as the record gives it
    const uint8_t *data; // PAGE_SIZE bytes inside the file's buffer
};

struct Inspection {
    int part_code = -1;        // Type 6 header byte; -1 for Type 4 or a file without one
    uint32_t window_last = 0;  // last address of the flash window pages are checked against
    size_t records = 0;        // whole records read
    size_t checksums_held = 0; // of those, the records whose checksum holds
    std::vector<Page> pages;   // one per whole record, in file order
    std::vector<std::string> faults;
};

// Read `file` as `layout` (TYPE4 or TYPE6). Records are taken at fixed strides whatever their
// length field or page count says; a short tail is reported as a truncated record.
Inspection inspect_download(const std::vector<uint8_t> &file, Layout layout);

// Whether a Type 6 header byte names a part: '0' to '6'.
bool is_part_code(int byte);

// "Tarvic5510" and so on; null for part code '1', which has no name, and for unknown codes.
const char *part_name(int part_code);
