// The inspector's --source check of arbitrary HEX files against what lumbrix writes from them.
// The first byte chooses the part code (bits 0-2, '0' to '6', 7: none given, so a Type 4 file
// cannot be compared), Type 6 (bit 3) and forced extended addresses (bit 4), as for the
// conversion harness; the second byte is not used. The rest is the HEX file. A file converted
// from a HEX file must be found exactly what that HEX file gives.
#include "conversion.h"
#include "harness.h"
#include "inspect.h"

#include "lumbrix/parts.h"
#include "lumbrix/segment_list.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace lumbrix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2)
        return 0;
    int part = data[0] & 7;
    bool type6 = data[0] & 8, forced = data[0] & 0x10;
    data += 2, size -= 2;
    Options options;
    options.path = "fuzz.qvr";
    options.source.path = "fuzz.hex";
    options.source.forced_base = forced;
    options.source.part = part < 7 ? &PARTS[part] : nullptr;

    FILE *saved = stderr;
    stderr = quiet();
    // Converted as the dialog program converts when extended addresses are forced.
    int part_code = part < 7 ? PARTS[part].code : '6';
    Conversion conversion = forced ? convert_paths_in_memory(data, size, part_code, type6)
                                   : convert_in_memory(data, size, part_code, type6);
    require(conversion.result == 0, "conversion failed");
    FILE *download = fdopen(memory_fd(conversion.file.data(), conversion.file.size()), "rb");
    FILE *source = fdopen(memory_fd(data, size), "r");
    char *report = nullptr;
    size_t report_size = 0;
    FILE *report_stream = open_memstream(&report, &report_size);
    Verdict verdict = inspect(options, {download, source, nullptr}, report_stream);
    stderr = saved;
    fclose(download);
    fclose(source);
    fclose(report_stream);

    std::string text(report, report_size);
    free(report);
    require(g_image == nullptr, "image left behind");
    bool comparable = part < 7 || type6;
    require(verdict.status == (comparable ? SOUND : FAULTY),
            "a faithful conversion is not found so");
    require(!comparable || text.find("\nsource bytes in window: ") != std::string::npos,
            "no source lines");
    return 0;
}
