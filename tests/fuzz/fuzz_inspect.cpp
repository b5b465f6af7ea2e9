// The inspector's reading of arbitrary bytes as a download file. The first byte chooses how it
// is read: bit 0-1 the layout asked for (none, Type 4, Type 6), bit 2 --strict, bit 3 from a
// stream of unknown size rather than a file. The rest is the file. No input may crash it, its
// report must count the faults it lists, and a file it finds sound must come back whole
// through its HEX output.
#include "conversion.h"
#include "harness.h"
#include "inspect.h"

#include "lumbrix/segment_list.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace lumbrix;

namespace {

struct Text {
    char *bytes = nullptr;
    size_t size = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    Options options;
    options.path = "fuzz.qvr";
    options.hex_path = "fuzz.hex";
    options.type = (data[0] & 3) == 1 ? &TYPE4 : (data[0] & 3) == 2 ? &TYPE6 : nullptr;
    options.strict = data[0] & 4;
    bool stream = data[0] & 8;
    ++data, --size;

    // A file in memory has a size before it is read, as a download file on disk has; a stream
    // has none.
    FILE *download = stream ? fmemopen(const_cast<uint8_t *>(data), size, "rb")
                            : fdopen(memory_fd(data, size), "rb");
    require(download, "cannot open the download file");
    Text report, hex;
    FILE *report_stream = open_memstream(&report.bytes, &report.size);
    FILE *hex_stream = open_memstream(&hex.bytes, &hex.size);
    FILE *saved = stderr;
    stderr = quiet();
    Verdict verdict = inspect(options, {download, nullptr, hex_stream}, report_stream);
    stderr = saved;
    fclose(download);
    fclose(report_stream);
    fclose(hex_stream);

    std::string text(report.bytes, report.size);
    bool sound = text.find("\nresult: sound\n") != std::string::npos;
    require(sound ==
                (verdict.status == SOUND && text.find("\nresult: empty\n") == std::string::npos),
            "result line and status disagree");
    require((text.find("\nfault: ") == std::string::npos) ==
                (text.find("\nfaults: 0\n") != std::string::npos),
            "fault lines and their count disagree");
    require(g_image == nullptr, "image left behind");
    if (sound && verdict.hex_written) {
        bool type6 = text.find("\nlayout: Type 6\n") != std::string::npos;
        // A Type 4 file names no part: any part with the larger window takes its pages.
        int part_code = type6 ? data[0] : '6';
        Conversion back = convert_in_memory(hex.bytes, hex.size, part_code, type6);
        require(back.result == 0 && back.file == std::vector<uint8_t>(data, data + size),
                "a sound file does not come back through its HEX output");
    }
    free(report.bytes);
    free(hex.bytes);
    return 0;
}
