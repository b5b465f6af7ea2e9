// The inspector's --source check of arbitrary HEX files against what lumbrix writes from them.
// The first byte chooses the part code (bits 0-2, '0' to '6', 7: none given, so a Type 4 file
// cannot be compared), Type 6 (bit 3) and forced extended addresses (bit 4), as for the
// conversion harness; the second byte is not used. The rest is the HEX file. A file converted
// from a HEX file must be found exactly what that HEX file gives.
#include "conversion.h"
#include "inspect.h"

#include "lumbrix/parts.h"
#include "lumbrix/segment_list.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

using namespace lumbrix;

namespace {

void require(bool holds, const char *what) {
    if (!holds) {
        fprintf(stderr, "fuzz_source: %s\n", what);
        abort();
    }
}

FILE *memory_file(const void *data, size_t size, const char *mode) {
    int fd = memfd_create("file", 0);
    require(fd >= 0 && write(fd, data, size) == static_cast<ssize_t>(size), "memfd failed");
    lseek(fd, 0, SEEK_SET);
    return fdopen(fd, mode);
}

// Converted through the path functions when extended addresses are forced, as the dialog
// program converts; through the streams otherwise.
std::vector<uint8_t> converted(const uint8_t *hex, size_t size, int part_code, bool type6,
                               bool forced) {
    if (!forced)
        return convert_in_memory(hex, size, part_code, type6).file;
    FILE *in = memory_file(hex, size, "r"), *out = memory_file("", 0, "w+b");
    char in_path[32], out_path[32];
    snprintf(in_path, sizeof in_path, "/proc/self/fd/%d", fileno(in));
    snprintf(out_path, sizeof out_path, "/proc/self/fd/%d", fileno(out));
    require(convert_file(in_path, out_path, part_code, type6 ? TYPE6 : TYPE4) == 0,
            "conversion failed");
    std::vector<uint8_t> file(1 << 20);
    file.resize(pread(fileno(out), file.data(), file.size(), 0));
    fclose(in);
    fclose(out);
    return file;
}

} // namespace

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
    stderr = fopen("/dev/null", "w");
    std::vector<uint8_t> file =
        converted(data, size, part < 7 ? PARTS[part].code : '6', type6, forced);
    FILE *download = memory_file(file.data(), file.size(), "rb");
    FILE *source = memory_file(data, size, "r");
    char *report = nullptr;
    size_t report_size = 0;
    FILE *report_stream = open_memstream(&report, &report_size);
    Verdict verdict = inspect(options, {download, source, nullptr}, report_stream);
    fclose(stderr);
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
