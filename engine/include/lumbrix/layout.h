// The two layouts of a download file. A file is a header (Type 6: the part code), then one
// record per flash page: where the page lies, how much it holds, its bytes and its checksum,
// in that order, every field little-endian.
#pragma once

#include <algorithm>
#include <cstdint>

namespace lumbrix {

// Every record carries exactly one page.
constexpr uint32_t FLASH_PAGE_SIZE = 512;
constexpr uint32_t CHECKSUM_SIZE = 4;

struct Layout {
    const char *name;        // "Type 4"
    int protocol;            // the number that selects it, in the console program and elsewhere
    uint32_t header_size;    // bytes before the first record: 1 when the file names its part
    uint32_t address_size;   // bytes of the field that says where the page lies
    uint32_t address_unit;   // 1 for an address, FLASH_PAGE_SIZE for a page number
    uint32_t length_size;    // bytes of the field that says how much the record holds
    uint32_t length_unit;    // 1 for a length in bytes, FLASH_PAGE_SIZE for a page count
    const char *length_name; // what that field is called
    bool every_page;         // every page from the first holding data to the last, or only those
                             // that hold data

    constexpr uint32_t data_offset() const { return address_size + length_size; }
    constexpr uint32_t checksum_offset() const { return data_offset() + FLASH_PAGE_SIZE; }
    constexpr uint32_t record_size() const { return checksum_offset() + CHECKSUM_SIZE; }
    // What the length field of a record of one page reads.
    constexpr uint32_t page_length() const { return FLASH_PAGE_SIZE / length_unit; }
};

// Type 4 writes the pages that hold data, each under its address; Type 6 names the part and
// writes every page from the first that holds data to the last, each under its page number.
inline constexpr Layout TYPE4 = {
    .name = "Type 4",
    .protocol = 4,
    .header_size = 0,
    .address_size = 4,
    .address_unit = 1,
    .length_size = 2,
    .length_unit = 1,
    .length_name = "length field",
    .every_page = false,
};
inline constexpr Layout TYPE6 = {
    .name = "Type 6",
    .protocol = 6,
    .header_size = 1,
    .address_size = 2,
    .address_unit = FLASH_PAGE_SIZE,
    .length_size = 1,
    .length_unit = FLASH_PAGE_SIZE,
    .length_name = "page count",
    .every_page = true,
};
inline constexpr const Layout *LAYOUTS[] = {&TYPE4, &TYPE6};

// The largest record either layout has: room for a record of any.
constexpr uint32_t RECORD_SIZE_MAX =
    std::ranges::max(LAYOUTS, {}, &Layout::record_size)->record_size();

// The layout this protocol number selects, or null for none.
constexpr const Layout *layout_by_protocol(int protocol) {
    for (const Layout *layout : LAYOUTS)
        if (layout->protocol == protocol)
            return layout;
    return nullptr;
}

// A record's checksum: its data summed as little-endian 16-bit words (length is even).
uint32_t page_checksum(const uint8_t *data, uint32_t length);

} // namespace lumbrix
