// The Intel HEX reader over arbitrary bytes: every data record it delivers, every message it
// writes and all it tells a watch must be exactly what the reading rules call for, and no sink
// call may hand over bytes that are not readable.
#include "harness.h"
#include "hex_model.h"

#include "lumbrix/ihex.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace lumbrix;

static std::vector<ModelRecord> delivered;

static int sink_record(const uint8_t *bytes, uint32_t address, uint32_t length) {
    if (length > 255 || (length > 0 && !bytes))
        abort();
    // Copying reads every byte, so the sanitizer checks that all of them lie in a live buffer.
    delivered.push_back({address, std::vector<uint8_t>(bytes, bytes + length)});
    return -1; // ignored by the reader
}

// What a watch hears, as the model writes it.
static std::string watched;

static const ReadWatch WATCH = {
    nullptr, [](void *, const uint8_t *, uint32_t, uint32_t) {},
    [](void *, LineFault fault, size_t line) {
        watched += "rejected " + std::to_string(line) + " " + std::to_string(fault) + "\n";
    },
    [](void *, size_t line, const char *text, size_t length) {
        watched += "unread " + std::to_string(line) + " " + std::string(text, length) + "\n";
    }};

static void check_reading(const uint8_t *data, size_t size, bool force_flash_base) {
    delivered.clear();
    watched.clear();
    FILE *in = fmemopen(const_cast<uint8_t *>(data), size, "r");
    require(in, "fmemopen failed");
    char *messages = nullptr;
    size_t messages_size = 0;
    FILE *capture = open_memstream(&messages, &messages_size);
    require(capture, "open_memstream failed");

    // The reader reports on stderr; glibc lets the stream be swapped for the length of the call.
    FILE *saved = stderr;
    stderr = capture;
    int result = read_intel_hex_watched(in, sink_record, force_flash_base, &WATCH);
    stderr = saved;
    fclose(capture);

    ModelReading expected = model_read(data, size, force_flash_base);
    require(result == 0, "result is not 0");
    require(feof(in) && !ferror(in), "stream not read to its end");
    require(delivered == expected.records, "delivered records differ");
    require(std::string(messages, messages_size) == expected.messages, "messages differ");
    require(watched == expected.watched, "what the watch hears differs");
    free(messages);
    fclose(in);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    check_reading(data, size, false);
    check_reading(data, size, true);
    return 0;
}
