// Pages written back out as Intel HEX: an extended linear address record wherever the upper 16
// address bits change, 32-byte data records, then the end-of-file record.
#pragma once

#include <cstdint>
#include <cstdio>

struct HexCursor {
    FILE *out;
    uint32_t upper = 0x10000; // the upper 16 address bits the last address record set; none yet
};

void hex_write_page(HexCursor &cursor, uint32_t address, const uint8_t *data);

// The end-of-file record.
void hex_finish(HexCursor &cursor);
