// Reading a download file back, one record at a time: which layout it fits, its pages, and
// everything wrong with it, in memory that does not grow with the file.
#pragma once

#include "faults.h"
#include "lumbrix/layout.h"
#include "lumbrix/parts.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

// The largest window any part has, in bytes and in pages.
constexpr uint32_t WINDOW_BYTES_MAX =
    std::ranges::max(lumbrix::PARTS, {}, &lumbrix::Part::flash_last).flash_last -
    lumbrix::FLASH_FIRST + 1;
constexpr uint32_t WINDOW_PAGES_MAX = WINDOW_BYTES_MAX / lumbrix::FLASH_PAGE_SIZE;

// The layout whose files name their part in a header byte, or the one whose files do not.
constexpr const lumbrix::Layout *layout_naming_part(bool names_part) {
    return *std::ranges::find(lumbrix::LAYOUTS, names_part,
                              [](auto *l) { return l->header_size > 0; });
}

// What decides the layout a file fits, gathered as its bytes go by: its size, its first byte
// and whether every stride holds a length field that reads one page, as files naming no part do.
struct FitTracker {
    uint64_t size = 0;
    int first_byte = -1;
    bool lengths_one_page = true;
    uint8_t length_low = 0;
};

void fit_feed(FitTracker &fit, const uint8_t *bytes, size_t count);

// The layout whose size and header fields the file has, or null for none. No file fits
// both: every Type 4 size is a multiple of 3 (522 n) and no Type 6 size is (1 + 519 n).
const lumbrix::Layout *fitting_layout(const FitTracker &fit);

// As many runs of pages as the largest window has pages, so that a file within any window
// shows whole.
constexpr size_t RUNS_SHOWN = WINDOW_PAGES_MAX;

struct Inspection {
    const lumbrix::Layout *layout = nullptr; // null when the file is read as no layout
    int part_code = -1;                      // the header byte; -1 for a file without one
    const lumbrix::Part *part = nullptr;     // the part it names; null for none
    uint32_t window_last = 0; // last address of the flash window pages are checked against
    size_t records = 0;       // whole records read
    uint32_t first_page = 0, last_page = 0; // addresses of the first and last record's page
    RunList runs;                           // of pages that all hold data or all hold only 0xFF
    FaultList faults;
};

// Start reading as `layout`: pages are held to the window of the part `part_code` names,
// the largest window when it names none (-1 for a file without a header byte).
void inspection_start(Inspection &result, const lumbrix::Layout &layout, int part_code);

// Check one whole record; returns the address of its page.
uint32_t inspection_add_record(Inspection &result, const uint8_t *record);

// The report's part line (when `part` is given) and window line, for the file and its source.
void part_print(FILE *out, const char *part_label, const char *window_label,
                const lumbrix::Part *part, uint32_t window_last, const char *note);

// The report's lines on the part, the records and their pages.
void inspection_print(FILE *out, const Inspection &inspection);
