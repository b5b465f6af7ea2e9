#include "hex_writer.h"

#include "lumbrix/ihex.h"
#include "lumbrix/layout.h"

#include <algorithm>
#include <array>

using namespace lumbrix;

constexpr uint32_t DATA_RECORD_BYTES = 32;

// Both digits of every byte, so that a byte costs one load: the pages of a large file are
// tens of millions of bytes.
static constexpr auto DIGIT_PAIRS = [] {
    std::array<std::array<char, 2>, 256> pairs{};
    const char digits[] = "0123456789ABCDEF";
    for (int byte = 0; byte < 256; ++byte)
        pairs[byte] = {digits[byte >> 4], digits[byte & 15]};
    return pairs;
}();

static char *put_bytes(char *at, const uint8_t *bytes, uint32_t count, unsigned &sum) {
    for (uint32_t i = 0; i < count; ++i) {
        *at++ = DIGIT_PAIRS[bytes[i]][0];
        *at++ = DIGIT_PAIRS[bytes[i]][1];
        sum += bytes[i];
    }
    return at;
}

static void write_record(FILE *out, RecordType type, uint16_t offset, const uint8_t *bytes,
                         uint32_t count) {
    char line[1 + 2 * (4 + DATA_RECORD_BYTES + 1) + 1];
    const uint8_t head[] = {static_cast<uint8_t>(count), static_cast<uint8_t>(offset >> 8),
                            static_cast<uint8_t>(offset), type};
    unsigned sum = 0;
    char *at = line;
    *at++ = ':';
    at = put_bytes(at, head, sizeof head, sum);
    at = put_bytes(at, bytes, count, sum);
    const uint8_t checksum = static_cast<uint8_t>(-sum);
    at = put_bytes(at, &checksum, 1, sum);
    *at++ = '\n';
    fwrite(line, 1, at - line, out);
}

void hex_write_page(HexCursor &cursor, uint32_t address, const uint8_t *data) {
    for (uint32_t done = 0; done < FLASH_PAGE_SIZE;) {
        uint32_t at = address + done;
        if (at >> 16 != cursor.upper) {
            cursor.upper = at >> 16;
            const uint8_t value[2] = {static_cast<uint8_t>(cursor.upper >> 8),
                                      static_cast<uint8_t>(cursor.upper)};
            write_record(cursor.out, EXTENDED_LINEAR_ADDRESS, 0, value, 2);
        }
        // A record never runs past the 64 KiB its address record opens.
        uint32_t length =
            std::min({FLASH_PAGE_SIZE - done, DATA_RECORD_BYTES, 0x10000 - (at & 0xFFFF)});
        write_record(cursor.out, DATA, static_cast<uint16_t>(at), data + done, length);
        done += length;
    }
}

void hex_finish(HexCursor &cursor) {
    write_record(cursor.out, END_OF_FILE, 0, nullptr, 0);
}
