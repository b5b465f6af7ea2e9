#include "lumbrix/download.h"

#include "flash.h"
#include "lumbrix/layout.h"
#include "record_batch.h"
#include "segment_list_private.h"

#include <algorithm>

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

// Pad g_image with the fill byte; false when memory ran out on the way, since the image
// is then not whole pages and must not be written.
static bool pad_image(uint32_t start, uint32_t length) {
    segment_list_pad(&g_image, start, length, FILL, 0);
    return !segment_list_take_failure();
}

// Make each segment whole pages; empty pages between segments stay out of the file.
static bool align_each_segment() {
    for (Segment *s = g_image; s;) {
        uint32_t page_start = page_floor(s->start);
        uint32_t span = page_ceil(s->start - page_start + s->length);
        if (page_start == s->start && span == s->length) {
            s = s->next;
            continue;
        }
        if (!pad_image(page_start, span))
            return false;
        s = g_image; // padding may have joined segments: start over
    }
    return true;
}

// Make one run of pages from the first page that holds data to the last.
static bool align_every_page() {
    const Segment *last = g_image;
    while (last->next)
        last = last->next;
    uint32_t start = page_floor(g_image->start);
    uint32_t end = page_floor(last->start + last->length - 1) + FLASH_PAGE_SIZE;
    return pad_image(start, end - start);
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
    uint8_t record[std::max(TYPE4.record_size(), TYPE6.record_size())];
    uint8_t *at = put_le(record, address / layout.place_unit, layout.place_size);
    at = put_le(at, layout.page_extent(), layout.extent_size);
    for (uint32_t i = 0; i < FLASH_PAGE_SIZE; ++i)
        *at++ = data[i];
    put_le(at, page_checksum(data, FLASH_PAGE_SIZE), CHECKSUM_SIZE);
    fwrite(record, 1, layout.record_size(), out);
}

// Write one aligned segment page by page. A segment that lost its bytes to an allocation
// failure is left out, and the conversion fails.
static int write_segment(FILE *out, const Layout &layout, const Segment *s) {
    if (!s->data)
        return 1;
    for (uint32_t offset = 0; offset < s->length; offset += FLASH_PAGE_SIZE)
        write_page(out, layout, s->start + offset, s->data + offset);
    return 0;
}

static int write_image(FILE *out, const Layout &layout) {
    if (!g_image)
        return 0;
    if (!(layout.every_page ? align_every_page() : align_each_segment()))
        return 1;
    int result = 0;
    for (const Segment *s = g_image; s; s = s->next)
        result |= write_segment(out, layout, s);
    return result;
}

static int convert(FILE *in, FILE *out, int part_code, const Layout &layout,
                   bool force_flash_base) {
    segment_list_take_failure(); // what lists outside this conversion met is not its concern
    int result = 0;
    if (DataSink sink = sink_for_part(part_code)) {
        read_intel_hex(in, sink, force_flash_base);
        record_batch_flush();
        // A stream that failed to read was not read to its end: its file is not converted.
        if (ferror(in))
            result = 1;
        // Bytes lost to an allocation failure leave the file incomplete.
        if (segment_list_take_failure())
            result = 1;
    }
    if (layout.header_size)
        fputc(part_code & 0xFF, out);
    result |= write_image(out, layout);
    segment_list_free(&g_image);
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

int write_download_type4(FILE *in, FILE *out, int part_code) {
    return convert(in, out, part_code, TYPE4, false);
}

int write_download_type6(FILE *in, FILE *out, int part_code) {
    return convert(in, out, part_code, TYPE6, false);
}

// Where stat gives a file's identity this asks it directly, as std::filesystem would: that
// keeps the C++ runtime out of a console program that otherwise needs only the C library,
// and loading it would double the program's start-up time and resident memory.
bool paths_name_same_file(const char *in_path, const char *out_path) {
#ifdef _WIN32
    std::error_code error;
    return std::filesystem::equivalent(in_path, out_path, error);
#else
    struct stat in, out;
    if (stat(in_path, &in) != 0 || stat(out_path, &out) != 0)
        return false;
    // Only files and folders have an identity to compare; devices and pipes never match.
    auto plain = [](const struct stat &st) { return S_ISREG(st.st_mode) || S_ISDIR(st.st_mode); };
    return plain(in) && plain(out) && in.st_dev == out.st_dev && in.st_ino == out.st_ino;
#endif
}

static int convert_file(const char *in_path, const char *out_path, int part_code,
                        const Layout &layout) {
    FILE *in = fopen(in_path, "r");
    if (!in)
        return 1;
    if (paths_name_same_file(in_path, out_path)) {
        fclose(in);
        return 1;
    }
    FILE *out = fopen(out_path, "wb");
    if (!out) {
        fclose(in);
        return 1;
    }
    return convert(in, out, part_code, layout, true);
}

int convert_file_type4(const char *in_path, const char *out_path, int part_code) {
    return convert_file(in_path, out_path, part_code, TYPE4);
}

int convert_file_type6(const char *in_path, const char *out_path, int part_code) {
    return convert_file(in_path, out_path, part_code, TYPE6);
}

} // namespace lumbrix
