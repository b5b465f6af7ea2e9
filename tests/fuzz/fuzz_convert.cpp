// A whole conversion of arbitrary bytes. The first byte chooses the layout, the part code and
// force_flash_base, the second byte may make one allocation fail; the rest is the HEX file.
// A conversion that fails must say so and write no pages; one that does not must write the file
// the reading rules call for. The image must be empty again afterwards.
#include "conversion.h"
#include "harness.h"
#include "hex_model.h"

#include "lumbrix/download.h"
#include "lumbrix/mem.h"
#include "lumbrix/segment_list.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace lumbrix;

namespace {

struct Options {
    int part_code;
    bool type6;
    bool force_flash_base;
    unsigned long fail_at; // the allocation of the conversion that fails; 0 for none
};

// Bits 0-2: part code '0' to '6', or (7) a code that selects no window; bit 3: Type 6;
// bit 4: force_flash_base. A second byte of 0x80 + n makes the n-th allocation fail.
Options options_of(uint8_t bits, uint8_t failing) {
    int part = bits & 7;
    int part_code = part < 7 ? '0' + part : (bits & 0x20 ? '7' : 0x1230 | bits);
    unsigned long fail_at = failing > 0x80 ? failing - 0x80 : 0;
    return {part_code, (bits & 0x08) != 0, (bits & 0x10) != 0, fail_at};
}

// Through the stream functions, which use extended addresses as read, or the path functions.
Conversion convert(const uint8_t *data, size_t size, const Options &options) {
    mem_fail_at(options.fail_at);
    Conversion conversion =
        options.force_flash_base
            ? convert_paths_in_memory(data, size, options.part_code, options.type6)
            : convert_in_memory(data, size, options.part_code, options.type6);
    mem_fail_at(0);
    return conversion;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2)
        return 0;
    Options options = options_of(data[0], data[1]);
    data += 2;
    size -= 2;

    // The reader's line messages are checked by the reader's own harness.
    FILE *saved = stderr;
    stderr = quiet();
    unsigned long failures = mem_failures();
    Conversion conversion = convert(data, size, options);
    bool failed = mem_failures() != failures;
    stderr = saved;

    require(g_image == nullptr, "image not empty after the conversion");
    require(conversion.result == (failed ? 1 : 0), "result does not tell the failure");
    // A conversion that failed writes no pages: only a Type 6 file's part code.
    if (failed) {
        require(conversion.file.size() == (options.type6 ? 1u : 0u), "pages after a failure");
        return 0;
    }
    ModelReading reading = model_read(data, size, options.force_flash_base);
    require(conversion.file == model_download(reading.records, options.part_code, options.type6),
            "download file differs from the expected one");
    return 0;
}
