// Writing pages back out as Intel HEX.
#pragma once

#include "download_file.h"

#include <cstdio>
#include <vector>

// Extended linear address records wherever the upper 16 address bits change, 32-byte data
// records, and the end-of-file record. Returns 0, or 1 when writing failed.
int write_pages_as_hex(FILE *out, const std::vector<Page> &pages);
