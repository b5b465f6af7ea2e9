#include "hex_writer.h"

#include "lumbrix/ihex.h"

using namespace lumbrix;

constexpr uint32_t DATA_RECORD_BYTES = 32;

static void write_record(FILE *out, RecordType type, uint16_t offset, const uint8_t *bytes,
                         uint32_t count) {
    unsigned sum = count + (offset >> 8) + (offset & 0xFF) + type;
    fprintf(out, ":%02X%04X%02X", count, offset, type);
    for (uint32_t i = 0; i < count; ++i) {
        fprintf(out, "%02X", bytes[i]);
        sum += bytes[i];
    }
    fprintf(out, "%02X\n", -sum & 0xFF);
}

void write_run_as_hex(HexCursor &cursor, uint32_t address, const uint8_t *bytes, uint32_t count) {
    for (uint32_t done = 0; done < count;) {
        uint32_t at = address + done;
        if (!cursor.have_upper || at >> 16 != cursor.upper) {
            cursor.upper = at >> 16;
            cursor.have_upper = true;
            const uint8_t value[2] = {static_cast<uint8_t>(cursor.upper >> 8),
                                      static_cast<uint8_t>(cursor.upper)};
            write_record(cursor.out, EXTENDED_LINEAR_ADDRESS, 0, value, 2);
        }
        // A record never runs past the 64 KiB its address record opens.
        uint32_t length = count - done;
        if (length > DATA_RECORD_BYTES)
            length = DATA_RECORD_BYTES;
        if (length > 0x10000 - (at & 0xFFFF))
            length = 0x10000 - (at & 0xFFFF);
        write_record(cursor.out, DATA, static_cast<uint16_t>(at), bytes + done, length);
        done += length;
    }
}

int finish_hex(HexCursor &cursor) {
    write_record(cursor.out, END_OF_FILE, 0, nullptr, 0);
    return ferror(cursor.out) ? 1 : 0;
}

int write_pages_as_hex(FILE *out, const std::vector<Page> &pages) {
    HexCursor cursor{out};
    for (const Page &page : pages)
        write_run_as_hex(cursor, page.address, page.data, FLASH_PAGE_SIZE);
    return finish_hex(cursor);
}
