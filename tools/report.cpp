#include "report.h"

#include "lumbrix/parts.h"

using namespace lumbrix;

const char *fit_text(const Layout *fits) {
    return fits ? fits->name : "neither";
}

static bool only_fill(const uint8_t *data) {
    for (uint32_t i = 0; i < FLASH_PAGE_SIZE; ++i)
        if (data[i] != 0xFF)
            return false;
    return true;
}

static void print_part(FILE *out, const Layout &layout, const Inspection &inspection) {
    int code = inspection.part_code;
    const Part *part = part_by_code(code);
    if (!layout.header_size) {
        fprintf(out, "part: not recorded in a %s file\n", layout.name);
    } else if (part) {
        fprintf(out, "part code: '%c' (0x%02X)\n", code, code);
        fprintf(out, "part: %s (console number %d)\n", part->name ? part->name : "no name",
                part->console_number);
    } else if (code >= 0) {
        fprintf(out, "part code: 0x%02X\n", code);
    }
    bool window_named = layout.header_size && part;
    uint32_t size = inspection.window_last - FLASH_FIRST + 1;
    fprintf(out, "flash window: 0x%X-0x%X (%u KiB%s)\n", FLASH_FIRST, inspection.window_last,
            size / 1024, window_named ? "" : ", the larger one, as the file names no part");
}

// One line per run of consecutive pages that all hold data or all hold only 0xFF.
static void print_pages(FILE *out, const std::vector<Page> &pages) {
    for (size_t first = 0, end; first < pages.size(); first = end) {
        bool fill = only_fill(pages[first].data);
        for (end = first + 1; end < pages.size(); ++end)
            if (pages[end].address != pages[end - 1].address + FLASH_PAGE_SIZE ||
                only_fill(pages[end].data) != fill)
                break;
        size_t count = end - first;
        fprintf(out, "pages: 0x%X-0x%X (%zu page%s%s)\n", pages[first].address,
                pages[end - 1].address + FLASH_PAGE_SIZE - 1, count, count == 1 ? "" : "s",
                fill ? ", only 0xFF" : "");
    }
}

void print_report(FILE *out, const char *path, size_t size, const Detection &detection,
                  const Inspection &inspection) {
    fprintf(out, "file: %s\n", path);
    fprintf(out, "size: %zu bytes\n", size);
    fprintf(out, "fits: %s\n", fit_text(detection.fits));
    fprintf(out, "layout: %s\n", detection.layout ? detection.layout->name : "unknown");
    if (detection.layout) {
        print_part(out, *detection.layout, inspection);
        fprintf(out, "records: %zu\n", inspection.records);
        fprintf(out, "checksums held: %zu of %zu\n", inspection.checksums_held, inspection.records);
        if (!inspection.pages.empty()) {
            fprintf(out, "first address: 0x%X\n", inspection.pages.front().address);
            fprintf(out, "last address: 0x%X\n",
                    inspection.pages.back().address + FLASH_PAGE_SIZE - 1);
        }
        print_pages(out, inspection.pages);
    }
    for (const std::string &note : inspection.notes)
        fprintf(out, "%s\n", note.c_str());
    for (const std::string &fault : inspection.faults)
        fprintf(out, "fault: %s\n", fault.c_str());
    fprintf(out, "faults: %zu\n", inspection.faults.size());
    fprintf(out, "result: %s\n", inspection.faults.empty() ? "sound" : "faulty");
}
