// Writing bytes back out as Intel HEX.
#pragma once

#include "download_file.h"

#include <cstdio>
#include <vector>

// Where a HEX file being written stands: the upper 16 address bits its last extended linear
// address record gave, if it wrote one.
struct HexCursor {
    FILE *out;
    bool have_upper = false;
    uint32_t upper = 0;
};

// Write `count` bytes from `address` on as 32-byte data records, with an extended linear
// address record wherever the upper 16 address bits change.
void write_run_as_hex(HexCursor &cursor, uint32_t address, const uint8_t *bytes, uint32_t count);

// The end-of-file record. Returns 0, or 1 when writing failed.
int finish_hex(HexCursor &cursor);

// Every page, then the end-of-file record. Returns 0, or 1 when writing failed.
int write_pages_as_hex(FILE *out, const std::vector<Page> &pages);
