// The console program against what is not a plain file: a folder, devices, a FIFO, and 200 MB
// of garbage read through a FIFO with little memory.
#include "files.h"
#include "hex_text.h"
#include "run_program.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <thread>

namespace {

const char FIRMWARE[] = LUMBRIX_EXAMPLES "/firmware.hex";
const char SUCCEEDED[] = ">>  Conversion Succeeded\n\n";

Outcome run_lumbrix(const std::vector<std::string> &args, const Consumer &on_err = {}) {
    std::vector<std::string> argv = {LUMBRIX_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_program(argv, on_err);
}

// Devices and folders in place of files; "@dir" is a fresh folder.
struct Case {
    const char *label;
    std::string in, out, protocol;
    int status;
    std::string err;
    std::string file; // the output afterwards, when the conversion succeeds
};

void PrintTo(const Case &c, std::ostream *os) {
    *os << c.label;
}

class Devices : public testing::TestWithParam<Case> {};

TEST_P(Devices, FailOrGiveEmptyFiles) {
    Case c = GetParam();
    TempFolder folder;
    for (std::string *text : {&c.out, &c.err})
        if (size_t at = text->find("@dir"); at != std::string::npos)
            text->replace(at, 4, folder.dir.string());
    Outcome outcome = run_lumbrix({c.in, c.out, "5516", c.protocol});
    EXPECT_EQ(c.status, outcome.status);
    EXPECT_EQ(c.err, outcome.err);
    if (c.status == 0) {
        EXPECT_EQ(c.file, read_file(c.out));
    }
}

// A Type 6 file always holds its part-code byte, so even an empty image cannot be written
// to a full device.
INSTANTIATE_TEST_SUITE_P(
    Cases, Devices,
    testing::Values(Case{"output_folder", FIRMWARE, "@dir", "4", 1,
                         "ERROR  : Error " + std::to_string(EISDIR) + " opening @dir\n\n", ""},
                    Case{"empty_type4", "/dev/null", "@dir/4.qvr", "4", 0, "", ""},
                    Case{"empty_type6", "/dev/null", "@dir/6.qvr", "6", 0, "", "6"},
                    Case{"header_only_on_full_device", "/dev/null", "/dev/full", "6", 1,
                         "ERROR  : Conversion Failed\n\n", ""}),
    [](const auto &info) { return info.param.label; });

class Fifo : public testing::Test {
  protected:
    void SetUp() override { signal(SIGPIPE, SIG_IGN); } // a writer whose reader is gone gets EPIPE

    // Feed `fifo` from a thread; `write_all` gets the open descriptor.
    std::thread feed_fifo(const fs::path &fifo, std::function<void(int)> write_all) {
        EXPECT_EQ(0, mkfifo(fifo.c_str(), 0600));
        return std::thread([fifo, write_all] {
            int fd = open(fifo.c_str(), O_WRONLY | O_CLOEXEC); // waits for the reader
            if (fd >= 0) {
                write_all(fd);
                close(fd);
            }
        });
    }

    // Let a feeder still waiting for a reader (the program never opened the FIFO) finish.
    static void release_fifo(const fs::path &fifo, std::thread &feeder) {
        int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0)
            close(fd);
        feeder.join();
    }

    TempFolder folder;
};

TEST_F(Fifo, ConvertsLikeAFile) {
    std::string firmware = read_file(FIRMWARE);
    fs::path fifo = folder.dir / "in.hex";
    std::thread feeder = feed_fifo(fifo, [&firmware](int fd) {
        EXPECT_EQ(static_cast<ssize_t>(firmware.size()),
                  write(fd, firmware.data(), firmware.size()));
    });
    Outcome piped = run_lumbrix({fifo.string(), folder.path("piped.qvr"), "5516", "6"});
    release_fifo(fifo, feeder);
    Outcome plain = run_lumbrix({FIRMWARE, folder.path("plain.qvr"), "5516", "6"});
    EXPECT_EQ(0, piped.status);
    EXPECT_TRUE(piped.out.ends_with(SUCCEEDED));
    EXPECT_EQ("", piped.err);
    EXPECT_EQ(0, plain.status);
    EXPECT_EQ(folder.read("plain.qvr"), folder.read("piped.qvr"));
    EXPECT_EQ(1u + 17 * 519, folder.read("piped.qvr").size());
}

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

TEST_F(Fifo, TwoHundredMegabytesOfGarbageInLittleMemory) {
    const Garbage block = garbage_block();
    uint64_t blocks = 0;
    fs::path fifo = folder.dir / "garbage.hex";
    std::thread feeder = feed_fifo(fifo, [&](int fd) {
        std::string chunk;
        while (chunk.size() < (1 << 16))
            chunk += block.lines;
        for (uint64_t written = 0; written < (200ull << 20); written += chunk.size()) {
            if (write(fd, chunk.data(), chunk.size()) != static_cast<ssize_t>(chunk.size()))
                break;
            blocks += chunk.size() / block.lines.size();
        }
    });
    uint64_t received = 0, mismatches = 0;
    auto check = [&](std::string_view text) { // stderr as it comes: the messages, block after block
        for (char c : text)
            mismatches += c != block.messages[received++ % block.messages.size()];
    };
    Outcome outcome = run_lumbrix({fifo.string(), folder.path("out.qvr"), "5516", "4"}, check);
    release_fifo(fifo, feeder);

    EXPECT_EQ(0, outcome.status);
    EXPECT_TRUE(outcome.out.ends_with(SUCCEEDED));
    EXPECT_EQ(0u, mismatches);
    EXPECT_EQ(blocks * block.messages.size(), received);
    std::vector<uint8_t> page = hex_bytes(16, 0x5A);
    page.resize(512, 0xFF);
    uint32_t checksum = 0;
    for (size_t i = 0; i < page.size(); i += 2)
        checksum += get_le(&page[i], 2);
    std::string expected = {0, 0, 8, 0, 0, 2};
    expected.append(page.begin(), page.end());
    put_le(expected, checksum, 4);
    EXPECT_EQ(expected, folder.read("out.qvr"));

#ifndef __SANITIZE_ADDRESS__ // the sanitizer's own shadow memory would swamp the figure
    rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, 16 * 1024) << "peak resident memory in KiB";
#endif
}

} // namespace
