// The two layouts of a download file. A file is a header (Type 6: the part code), then one
// record per flash page: where the page lies, how much it holds, its bytes and its checksum,
// in that order, every field little-endian.
#pragma once

#include <cstdint>

namespace lumbrix {

// Every record carries exactly one page.
constexpr uint32_t FLASH_PAGE_SIZE = 512;
constexpr uint32_t CHECKSUM_SIZE = 4;

struct Layout {
    const char *name;        // "Type 4"
    int protocol;            // the number that selects it, in the console program and elsewhere
    uint32_t header_size;    // bytes before the first record: 1 when the file names its part
    uint32_t place_size;     // bytes of the field that says where the page lies
    uint32_t place_unit;     // addresses per step of that field: 1 (an address) or a page
    uint32_t extent_size;    // bytes of the field that says how much the record holds
    uint32_t extent_unit;    // bytes per step of that field: 1 (a length) or a page
    const char *extent_name; // what that field is called
    bool every_page;         // every page from the first that holds data to the last, or only
                             // the pages that hold data

    constexpr uint32_t data_offset() const { return place_size + extent_size; }
    constexpr uint32_t checksum_offset() const { return data_offset() + FLASH_PAGE_SIZE; }
    constexpr uint32_t record_size() const { return checksum_offset() + CHECKSUM_SIZE; }
    // What the extent field of a record of one page reads.
    constexpr uint32_t page_extent() const { return FLASH_PAGE_SIZE / extent_unit; }
};

// Type 4 writes the pages that hold data, each under its address; Type 6 names the part and
// writes every page from the first that holds data to the last, each under its page number.
inline constexpr Layout TYPE4 = {
    .name = "Type 4",
    .protocol = 4,
    .header_size = 0,
    .place_size = 4,
    .place_unit = 1,
    .extent_size = 2,
    .extent_unit = 1,
    .extent_name = "length field",
    .every_page = false,
};
inline constexpr Layout TYPE6 = {
    .name = "Type 6",
    .protocol = 6,
    .header_size = 1,
    .place_size = 2,
    .place_unit = FLASH_PAGE_SIZE,
    .extent_size = 1,
    .extent_unit = FLASH_PAGE_SIZE,
    .extent_name = "page count",
    .every_page = true,
};
inline constexpr const Layout *LAYOUTS[] = {&TYPE4, &TYPE6};

// A record's checksum: its data summed as little-endian 16-bit words (length is even).
uint32_t page_checksum(const uint8_t *data, uint32_t length);

} // namespace lumbrix
