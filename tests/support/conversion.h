// A whole conversion of a HEX file held in memory, through the stream functions or the path
// functions.
#pragma once

#include "lumbrix/download.h"

#include <sys/mman.h>
#include <unistd.h>

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

// A file in memory that holds `bytes`, open at its start; its path is /proc/self/fd/<fd>.
inline int memory_fd(const void *bytes, size_t size) {
    int fd = memfd_create("file", 0);
    if (fd < 0 || write(fd, bytes, size) != static_cast<ssize_t>(size)) {
        fputs("cannot make a file in memory\n", stderr);
        abort();
    }
    lseek(fd, 0, SEEK_SET);
    return fd;
}

// Through the path functions, which force extended addresses into the flash region.
inline Conversion convert_paths_in_memory(const void *hex, size_t size, int part_code, bool type6) {
    int in = memory_fd(hex, size), out = memory_fd("", 0);
    char in_path[32], out_path[32];
    snprintf(in_path, sizeof in_path, "/proc/self/fd/%d", in);
    snprintf(out_path, sizeof out_path, "/proc/self/fd/%d", out);
    int result = lumbrix::convert_file(in_path, out_path, part_code,
                                       type6 ? lumbrix::TYPE6 : lumbrix::TYPE4);
    Conversion conversion{result, {}};
    uint8_t buffer[1 << 16];
    for (ssize_t got; (got = pread(out, buffer, sizeof buffer, conversion.file.size())) > 0;)
        conversion.file.insert(conversion.file.end(), buffer, buffer + got);
    close(in);
    close(out);
    return conversion;
}
