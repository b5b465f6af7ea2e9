#include "download_file.h"

#include "lumbrix/parts.h"

#include <cstdarg>
#include <cstdio>
#include <iterator>

using namespace lumbrix;

static uint32_t get_le(const uint8_t *at, uint32_t bytes) {
    uint32_t value = 0;
    for (uint32_t i = bytes; i-- > 0;)
        value = value << 8 | at[i];
    return value;
}

static uint32_t extent_of(const Layout &layout, const uint8_t *record) {
    return get_le(record + layout.address_size, layout.length_size);
}

// Whole records after the header. A file that names its part is known by that byte being a
// part code; one that does not, by every record's extent field reading one page.
static bool fits_layout(const std::vector<uint8_t> &file, const Layout &layout) {
    if (file.size() < layout.header_size ||
        (file.size() - layout.header_size) % layout.record_size() != 0)
        return false;
    if (layout.header_size)
        return part_by_code(file[0]) != nullptr;
    for (size_t offset = 0; offset < file.size(); offset += layout.record_size())
        if (extent_of(layout, &file[offset]) != layout.page_length())
            return false;
    return true;
}

const Layout *fitting_layout(const std::vector<uint8_t> &file) {
    for (const Layout *layout : LAYOUTS)
        if (fits_layout(file, *layout))
            return layout;
    return nullptr;
}

static std::string format_arguments(const char *format, va_list arguments) {
    char text[200];
    vsnprintf(text, sizeof text, format, arguments);
    return text;
}

std::string format_line(const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text = format_arguments(format, arguments);
    va_end(arguments);
    return text;
}

static void add_fault(Inspection &result, const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    result.faults.push_back(format_arguments(format, arguments));
    va_end(arguments);
}

bool read_stream(FILE *in, std::vector<uint8_t> &bytes) {
    uint8_t buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, in)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    return !ferror(in);
}

// Check one whole record and add its page.
static void read_record(Inspection &result, const Layout &layout, const uint8_t *record,
                        size_t number) {
    uint32_t address = get_le(record, layout.address_size) * layout.address_unit;
    uint32_t extent = extent_of(layout, record);
    const uint8_t *data = record + layout.data_offset();
    if (extent != layout.page_length())
        add_fault(result, "record %zu at 0x%X: %s %u, not %u", number, address, layout.length_name,
                  extent, layout.page_length());
    if (address % FLASH_PAGE_SIZE != 0)
        add_fault(result, "record %zu at 0x%X: not on a page boundary", number, address);
    uint32_t stored = get_le(record + layout.checksum_offset(), CHECKSUM_SIZE);
    uint32_t computed = page_checksum(data, FLASH_PAGE_SIZE);
    if (stored == computed)
        ++result.checksums_held;
    else
        add_fault(result, "record %zu at 0x%X: checksum stored 0x%X, computed 0x%X", number,
                  address, stored, computed);

    if (!result.pages.empty()) {
        uint32_t previous = result.pages.back().address;
        if (layout.every_page && address != previous + FLASH_PAGE_SIZE)
            add_fault(result, "record %zu at 0x%X: does not follow the page at 0x%X", number,
                      address, previous);
        if (!layout.every_page && address <= previous)
            add_fault(result, "record %zu at 0x%X: not above the page at 0x%X", number, address,
                      previous);
    }
    if (address < FLASH_FIRST || address > result.window_last - (FLASH_PAGE_SIZE - 1))
        add_fault(result, "record %zu at 0x%X: outside the flash window 0x%X-0x%X", number, address,
                  FLASH_FIRST, result.window_last);
    result.pages.push_back({address, data});
}

static uint32_t largest_window_last() {
    uint32_t last = 0;
    for (const Part &part : PARTS)
        last = part.flash_last > last ? part.flash_last : last;
    return last;
}

// Read the header byte that names the part, and hold the pages to that part's window.
static bool read_header(Inspection &result, const std::vector<uint8_t> &file) {
    if (file.empty()) {
        add_fault(result, "no part-code byte");
        return false;
    }
    result.part_code = file[0];
    if (const Part *part = part_by_code(file[0]))
        result.window_last = part->flash_last;
    else
        add_fault(result, "part-code byte 0x%02X is not '%c' to '%c'", file[0], PARTS[0].code,
                  std::end(PARTS)[-1].code);
    return true;
}

Inspection inspect_download(const std::vector<uint8_t> &file, const Layout &layout) {
    Inspection result;
    // A file that does not name its part can only be held to the largest window.
    result.window_last = largest_window_last();
    if (layout.header_size && !read_header(result, file))
        return result;
    size_t offset = layout.header_size;
    size_t record_size = layout.record_size();
    for (; file.size() - offset >= record_size; offset += record_size)
        read_record(result, layout, &file[offset], ++result.records);
    if (offset < file.size())
        add_fault(result, "record %zu truncated: %zu of %zu bytes", result.records + 1,
                  file.size() - offset, record_size);
    return result;
}
