// The console program against what only the real thing shows: 200 MB of garbage read from a
// pipe with little memory. A full device as output is in the console table and the path tests.
#include "files.h"
#include "hex_model.h"
#include "hex_text.h"
#include "run_program.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace {

// Lines of every kind the reader meets, with the messages they must get. The one record
// that reaches flash puts 16 bytes at 0x80000.
struct Garbage {
    std::string lines, messages;

    void add(const std::string &line, const char *what = nullptr) {
        lines += line;
        if (what)
            messages += std::string("ERROR: Found ") + what + " ihex line <" + line + ">\n";
    }
};

Garbage garbage_block() {
    Garbage g;
    std::string bad = hex_record(0x00, 0x1234, hex_bytes(40, 3));
    bad[bad.size() - 2] = bad[bad.size() - 2] == '0' ? '1' : '0';
    g.add(std::string(300, '#') + "text\n", "invalid");
    g.add("\xC3\xA9\xFF\x80 bytes\n", "invalid");
    g.add(bad, "invalid checksum in");
    g.add(hex_record(0x42, 0x0100, hex_bytes(100, 1)), "unknown format in");
    g.add("\r\n\n");
    g.add(hex_record(0x00, 0x0100, hex_bytes(120, 9))); // below the window: dropped silently
    g.add(hex_data_at(0x80000, hex_bytes(16, 0x5A)) + hex_record(0x04, 0, {0, 0}));
    return g;
}

TEST(Pipe, TwoHundredMegabytesOfGarbageInLittleMemory) {
    const Garbage block = garbage_block();
    TempFolder folder;
    std::string chunk;
    while (chunk.size() < (1 << 20))
        chunk += block.lines;
    folder.write("chunk.hex", chunk);
    uint64_t received = 0, mismatches = 0;
    auto check = [&](std::string_view text) { // stderr as it comes: the messages, block after block
        for (char c : text)
            mismatches += c != block.messages[received++ % block.messages.size()];
    };
    Outcome outcome = run_program({"sh", "-c",
                                   "for i in $(seq 200); do cat chunk.hex; done |"
                                   " \"$1\" /dev/stdin out.qvr 5516 4",
                                   "sh", LUMBRIX_PATH},
                                  check, folder.dir.c_str());

    EXPECT_EQ(0, outcome.status);
    EXPECT_TRUE(outcome.out.ends_with(">>  Conversion Succeeded\n\n"));
    EXPECT_EQ(0u, mismatches);
    EXPECT_EQ(200 * chunk.size() / block.lines.size() * block.messages.size(), received);
    std::vector<uint8_t> file = model_download({{0x80000, hex_bytes(16, 0x5A)}}, '6', false);
    EXPECT_EQ(std::string(file.begin(), file.end()), folder.read("out.qvr"));
#ifndef __SANITIZE_ADDRESS__ // the sanitizer's own shadow memory would swamp the figure
    rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, 16 * 1024) << "peak resident memory in KiB";
#endif
}

} // namespace
