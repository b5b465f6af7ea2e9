// Checking a download file against the HEX file it was made from, page by page as the
// download file is read, in memory the size of the part's window.
#pragma once

#include "download_file.h"
#include "lumbrix/ihex.h"

#include <cstdio>

struct SourceRequest {
    const char *path = nullptr;          // the HEX file; null when no check is asked for
    const lumbrix::Part *part = nullptr; // the --part asked for; null when not given
    bool forced_base = false;            // read extended addresses as the dialog program does
    bool allow_outside = false;          // under --strict, bytes outside the window are no fault
};

// Text the reader passed over: its first characters.
struct UnreadLine {
    size_t line;
    char text[32];
    size_t length; // of `text` used
    bool cut;      // there was more
};

// Lines the reader reported on, by number: the first KEPT, and how many lines in all.
template <typename Kept> struct LineList {
    size_t count;
    Kept kept[KEPT];
};

// The slot for the next line reported on, or null when it is not kept.
template <typename Kept> Kept *line_add(LineList<Kept> &list) {
    return list.count++ < KEPT ? &list.kept[list.count - 1] : nullptr;
}

// What the HEX file gives and what the download file is compared with.
struct SourceCheck {
    const lumbrix::Part *part;
    // Inside the window, address by address: the first value given, and whether it was given
    // (GIVEN) or given again with another value (GIVEN_DIFFERENT).
    uint8_t value[WINDOW_BYTES_MAX];
    uint8_t given[WINDOW_BYTES_MAX];
    size_t inside;      // addresses of the window given
    size_t outside;     // bytes given outside it, each time given
    size_t conflicting; // addresses given different values
    RunList dropped;
    LineList<lumbrix::RejectedLine> rejected;
    LineList<UnreadLine> unread;
    // The pages the converter writes for the HEX file, in g_image; null where it writes none.
    const uint8_t *expected[WINDOW_PAGES_MAX];
    size_t first_expected, last_expected; // WINDOW_PAGES_MAX when the HEX file gives none
    // The download file's page at each place in the window, as first met.
    struct Stored {
        bool seen;
        uint32_t differs_at; // offset of the first byte that differs + 1; 0 when none does
        uint8_t held, wanted;
    } stored[WINDOW_PAGES_MAX];
    FaultList faults;
};

// Read the HEX file for the part into `check` (which must be zeroed) and g_image, as the
// converter pads it for `layout`; the caller frees g_image once done. False when `hex` could not
// be read to its end or memory ran out.
bool source_read(SourceCheck &check, FILE *hex, const lumbrix::Part &part,
                 const lumbrix::Layout &layout, bool forced_base);

// Compare one page of the download file, read as `layout`.
void source_compare_page(SourceCheck &check, const lumbrix::Layout &layout, uint32_t address,
                         const uint8_t *data);

// The faults only the whole file shows: pages it lacks or holds beyond the HEX file's, and
// under `strict` what the HEX file gives that cannot be converted faithfully.
void source_finish(SourceCheck &check, const Inspection &inspection, const SourceRequest &request,
                   bool strict);

// Each run of addresses of the window given more than once with different values.
RunList overlaps(const SourceCheck &check);

// The report's "source ..." lines.
void source_print(FILE *out, const SourceCheck &check, const SourceRequest &request);
