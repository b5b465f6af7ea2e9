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

int write_pages_as_hex(FILE *out, const std::vector<Page> &pages) {
    bool have_upper = false;
    uint32_t upper = 0;
    for (const Page &page : pages) {
        for (uint32_t done = 0; done < FLASH_PAGE_SIZE;) {
            uint32_t address = page.address + done;
            if (!have_upper || address >> 16 != upper) {
                upper = address >> 16;
                have_upper = true;
                const uint8_t value[2] = {static_cast<uint8_t>(upper >> 8),
                                          static_cast<uint8_t>(upper)};
                write_record(out, EXTENDED_LINEAR_ADDRESS, 0, value, 2);
            }
            // A record never runs past the 64 KiB its address record opens.
            uint32_t count = FLASH_PAGE_SIZE - done;
            if (count > DATA_RECORD_BYTES)
                count = DATA_RECORD_BYTES;
            if (count > 0x10000 - (address & 0xFFFF))
                count = 0x10000 - (address & 0xFFFF);
            write_record(out, DATA, static_cast<uint16_t>(address), page.data + done, count);
            done += count;
        }
    }
    write_record(out, END_OF_FILE, 0, nullptr, 0);
    return ferror(out) ? 1 : 0;
}
