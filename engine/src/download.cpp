#include "lumbrix/download.h"

#include "flash.h"
#include "lumbrix/layout.h"
#include "lumbrix/mem.h"
#include "lumbrix/segment_list.h"
#include "record_batch.h"

#include <cerrno>

#ifdef _WIN32
#include <filesystem>
#else
#include <sys/stat.h>
#endif

namespace lumbrix {

constexpr uint8_t FILL = 0xFF;

static uint32_t page_floor(uint32_t address) {
    return address & ~(FLASH_PAGE_SIZE - 1);
}

static uint32_t page_ceil(uint32_t size) {
    return (size + FLASH_PAGE_SIZE - 1) & ~(FLASH_PAGE_SIZE - 1);
}

// Pad g_image with the fill byte; false when memory ran out on the way, since the image is
// then not whole pages.
static bool pad_image(uint32_t start, uint32_t length) {
    unsigned long failures = mem_failures();
    segment_list_pad(&g_image, start, length, FILL, 0);
    return mem_failures() == failures;
}

// Make each segment whole pages; empty pages between segments stay out of the file.
static void align_each_segment() {
    for (Segment *s = g_image; s;) {
        uint32_t page_start = page_floor(s->start);
        uint32_t span = page_ceil(s->start - page_start + s->length);
        if (page_start == s->start && span == s->length) {
            s = s->next;
            continue;
        }
        if (!pad_image(page_start, span))
            return;
        s = g_image; // padding may have joined segments: start over
    }
}

// Make one run of pages from the first page that holds data to the last.
static void align_every_page() {
    const Segment *last = g_image;
    while (last->next)
        last = last->next;
    uint32_t start = page_floor(g_image->start);
    uint32_t end = page_floor(last->start + last->length - 1) + FLASH_PAGE_SIZE;
    pad_image(start, end - start);
}

int image_load(FILE *in, int part_code, const Layout &layout, bool force_flash_base,
               const ReadWatch *watch) {
    unsigned long failures = mem_failures();
    if (DataSink sink = sink_for_part(part_code)) {
        read_intel_hex_watched(in, sink, force_flash_base, watch);
        record_batch_flush();
    }
    if (g_image && mem_failures() == failures)
        layout.every_page ? align_every_page() : align_each_segment();
    // A stream that failed to read was not read to its end, and memory that ran out lost bytes
    // or left pages unfilled: either way the image is not the file's.
    return ferror(in) || mem_failures() != failures ? 1 : 0;
}

uint32_t page_checksum(const uint8_t *data, uint32_t length) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i + 1 < length; i += 2)
        sum += data[i] | data[i + 1] << 8;
    return sum;
}

static uint8_t *put_le(uint8_t *at, uint32_t value, uint32_t bytes) {
    for (uint32_t i = 0; i < bytes; ++i)
        *at++ = static_cast<uint8_t>(value >> (8 * i));
    return at;
}

static void write_page(FILE *out, const Layout &layout, uint32_t address, const uint8_t *data) {
    uint8_t record[RECORD_SIZE_MAX];
    uint8_t *at = put_le(record, address / layout.address_unit, layout.address_size);
    at = put_le(at, layout.page_length(), layout.length_size);
    for (uint32_t i = 0; i < FLASH_PAGE_SIZE; ++i)
        *at++ = data[i];
    put_le(at, page_checksum(data, FLASH_PAGE_SIZE), CHECKSUM_SIZE);
    fwrite(record, 1, layout.record_size(), out);
}

// The one conversion every entry makes. A file that could not be converted whole gets no
// pages. Closes neither stream: a write that failed shows when `out` is flushed.
static int download_write(FILE *in, FILE *out, int part_code, const Layout &layout,
                          bool force_flash_base, const ReadWatch *watch) {
    int result = image_load(in, part_code, layout, force_flash_base, watch);
    if (layout.header_size)
        fputc(part_code & 0xFF, out);
    for (const Segment *s = result == 0 ? g_image : nullptr; s; s = s->next)
        for (uint32_t offset = 0; offset < s->length; offset += FLASH_PAGE_SIZE)
            write_page(out, layout, s->start + offset, s->data + offset);
    segment_list_free(&g_image);
    return result;
}

// Close both streams, the input first; the conversion fails if either close does.
static int streams_close(FILE *in, FILE *out, int result) {
    if (fclose(in) != 0)
        result = 1;
    // A write that failed may leave nothing for the close to report, and some C runtimes'
    // fclose drops the failure of its own last flush: flush first so that a full disk shows.
    if (fflush(out) != 0 || ferror(out))
        result = 1;
    if (fclose(out) != 0)
        result = 1;
    return result;
}

int write_download(FILE *in, FILE *out, int part_code, const Layout &layout) {
    return streams_close(in, out, download_write(in, out, part_code, layout, false, nullptr));
}

int write_download_type4(FILE *in, FILE *out, int part_code) {
    return write_download(in, out, part_code, TYPE4);
}

int write_download_type6(FILE *in, FILE *out, int part_code) {
    return write_download(in, out, part_code, TYPE6);
}

// Where stat gives a file's identity this asks it directly, as std::filesystem would: that
// keeps the C++ runtime out of a console program that otherwise needs only the C library,
// and loading it would double the program's start-up time and resident memory.
bool paths_name_same_file(const char *a, const char *b) {
#ifdef _WIN32
    std::error_code error;
    return std::filesystem::equivalent(a, b, error);
#else
    struct stat sa, sb;
    if (stat(a, &sa) != 0 || stat(b, &sb) != 0)
        return false;
    // Only files and folders have an identity to compare; devices and pipes never match.
    auto plain = [](const struct stat &st) { return S_ISREG(st.st_mode) || S_ISDIR(st.st_mode); };
    return plain(sa) && plain(sb) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#endif
}

FilesOpened download_files_open(const char *in_path, const char *out_path, FILE **in, FILE **out) {
    *in = fopen(in_path, "r");
    if (!*in)
        return INPUT_NOT_OPENED;
    if (paths_name_same_file(in_path, out_path)) {
        fclose(*in);
        return OUTPUT_IS_INPUT;
    }
    *out = fopen(out_path, "wb");
    if (!*out) {
        int error = errno;
        fclose(*in);
        errno = error;
        return OUTPUT_NOT_OPENED;
    }
    return FILES_OPEN;
}

int convert_file_watched(const char *in_path, const char *out_path, int part_code,
                         const Layout &layout, const ReadWatch *watch) {
    FILE *in, *out;
    if (download_files_open(in_path, out_path, &in, &out) != FILES_OPEN)
        return 1;
    return streams_close(in, out, download_write(in, out, part_code, layout, true, watch));
}

int convert_file(const char *in_path, const char *out_path, int part_code, const Layout &layout) {
    return convert_file_watched(in_path, out_path, part_code, layout, nullptr);
}

int convert_file_type4(const char *in_path, const char *out_path, int part_code) {
    return convert_file(in_path, out_path, part_code, TYPE4);
}

int convert_file_type6(const char *in_path, const char *out_path, int part_code) {
    return convert_file(in_path, out_path, part_code, TYPE6);
}

} // namespace lumbrix
