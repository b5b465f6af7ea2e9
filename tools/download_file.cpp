#include "download_file.h"

#include "lumbrix/flash.h"

#include <cstdarg>
#include <cstdio>

static uint32_t get_le(const uint8_t *at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

bool fits_type4(const std::vector<uint8_t> &file) {
    if (file.size() % TYPE4_RECORD_SIZE != 0)
        return false;
    for (size_t offset = 0; offset < file.size(); offset += TYPE4_RECORD_SIZE)
        if (get_le(&file[offset + 4], 2) != PAGE_SIZE)
            return false;
    return true;
}

bool is_part_code(int byte) {
    return byte >= '0' && byte <= '6';
}

bool fits_type6(const std::vector<uint8_t> &file) {
    return !file.empty() && is_part_code(file[0]) && (file.size() - 1) % TYPE6_RECORD_SIZE == 0;
}

const char *part_name(int part_code) {
    static const char *const NAMES[] = {"Tarvic5510", nullptr,      "Tarvic5512", "Tarvic5513",
                                        "Tarvic5514", "Tarvic5515", "Tarvic5516"};
    return is_part_code(part_code) ? NAMES[part_code - '0'] : nullptr;
}

// The engine's part catalogue names a part's window through the sink that clips to it.
static uint32_t window_last_of(int part_code) {
    DataSink sink = sink_for_part(part_code);
    if (sink == sink_flash_30k)
        return FLASH_LAST_30K;
    return sink == sink_flash_94k ? FLASH_LAST_94K : 0;
}

static void add_fault(Inspection &result, const char *format, ...) {
    char text[200];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    result.faults.push_back(text);
}

// Check one whole record and add its page.
static void read_record(Inspection &result, Layout layout, const uint8_t *record, size_t number) {
    uint32_t address;
    const uint8_t *data;
    if (layout == Layout::TYPE4) {
        address = get_le(record, 4);
        data = record + 6;
        uint32_t length = get_le(record + 4, 2);
        if (length != PAGE_SIZE)
            add_fault(result, "record %zu at 0x%X: length field %u, not %u", number, address,
                      length, PAGE_SIZE);
        if (address % PAGE_SIZE != 0)
            add_fault(result, "record %zu at 0x%X: not on a page boundary", number, address);
    } else {
        address = get_le(record, 2) * PAGE_SIZE;
        data = record + 3;
        if (record[2] != 1)
            add_fault(result, "record %zu at 0x%X: page count %u, not 1", number, address,
                      record[2]);
    }
    uint32_t stored = get_le(data + PAGE_SIZE, 4);
    uint32_t computed = page_checksum(data, PAGE_SIZE);
    if (stored == computed)
        ++result.checksums_held;
    else
        add_fault(result, "record %zu at 0x%X: checksum stored 0x%X, computed 0x%X", number,
                  address, stored, computed);

    if (!result.pages.empty()) {
        uint32_t previous = result.pages.back().address;
        // Type 6 covers every page from the first to the last; Type 4 may skip pages.
        if (layout == Layout::TYPE6 && address != previous + PAGE_SIZE)
            add_fault(result, "record %zu at 0x%X: does not follow the page at 0x%X", number,
                      address, previous);
        if (layout == Layout::TYPE4 && address <= previous)
            add_fault(result, "record %zu at 0x%X: not above the page at 0x%X", number, address,
                      previous);
    }
    if (address < FLASH_FIRST || address > result.window_last - (PAGE_SIZE - 1))
        add_fault(result, "record %zu at 0x%X: outside the flash window 0x%X-0x%X", number, address,
                  FLASH_FIRST, result.window_last);
    result.pages.push_back({address, data});
}

Inspection inspect_download(const std::vector<uint8_t> &file, Layout layout) {
    Inspection result;
    // A Type 4 file does not name its part: its pages can only be held to the larger window.
    result.window_last = FLASH_LAST_94K;
    size_t offset = 0;
    size_t record_size = TYPE4_RECORD_SIZE;
    if (layout == Layout::TYPE6) {
        record_size = TYPE6_RECORD_SIZE;
        if (file.empty()) {
            add_fault(result, "no part-code byte");
            return result;
        }
        offset = 1;
        result.part_code = file[0];
        if (uint32_t last = window_last_of(file[0]))
            result.window_last = last;
        else
            add_fault(result, "part-code byte 0x%02X is not '0' to '6'", file[0]);
    }
    for (; file.size() - offset >= record_size; offset += record_size)
        read_record(result, layout, &file[offset], ++result.records);
    if (offset < file.size())
        add_fault(result, "record %zu truncated: %zu of %zu bytes", result.records + 1,
                  file.size() - offset, record_size);
    return result;
}
