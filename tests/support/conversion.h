// A whole conversion of a HEX file held in memory, through the stream functions.
#pragma once

#include "lumbrix/download.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

struct Conversion {
    int result;
    std::vector<uint8_t> file; // what the writer wrote, also when it failed
};

inline Conversion convert_in_memory(const void *hex, size_t size, int part_code, bool type6) {
    FILE *in = fmemopen(const_cast<void *>(hex), size, "r");
    char *written = nullptr;
    size_t written_size = 0;
    FILE *out = open_memstream(&written, &written_size);
    if (!in || !out) {
        fputs("cannot open the streams\n", stderr);
        abort();
    }
    int result =
        lumbrix::write_download(in, out, part_code, type6 ? lumbrix::TYPE6 : lumbrix::TYPE4);
    Conversion conversion{result, std::vector<uint8_t>(written, written + written_size)};
    free(written);
    return conversion;
}
