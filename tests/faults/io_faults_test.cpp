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

// An endless, repeatable stream of garbage lines, with the message each must get.
class Garbage {
  public:
    // The one record that reaches flash: 16 bytes at 0x80000.
    static std::vector<uint8_t> flash_bytes() { return hex_bytes(16, 0x5A); }

    void next(std::string &line, std::string &message) {
        line.clear();
        message.clear();
        uint32_t kind = random() % 100;
        if (kind < 30) {
            for (uint32_t n = 1 + random() % 300; n > 0; --n)
                line += printable();
            line += '\n';
            message = invalid(line);
        } else if (kind < 40) {
            for (uint32_t n = 1 + random() % 200; n > 0; --n)
                line += static_cast<char>(0x80 + random() % 0x80);
            line += '\n';
            message = invalid(line);
        } else if (kind < 60) {
            line = record(0x00, false);
            message = "ERROR: Found invalid checksum in ihex line <" + line + ">\n";
        } else if (kind < 70) {
            line = record(static_cast<uint8_t>(6 + random() % 250), true);
            message = "ERROR: Found unknown format in ihex line <" + line + ">\n";
        } else if (kind < 80) {
            line = kind % 2 ? "\n" : "\r\n";
        } else if (kind < 99) {
            line = record(0x00, true); // below the window: dropped without a word
        } else {
            line = hex_data_at(0x80000, flash_bytes()) + hex_record(0x04, 0, {0, 0});
        }
    }

  private:
    static std::string invalid(const std::string &line) {
        return "ERROR: Found invalid ihex line <" + line + ">\n";
    }

    uint32_t random() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(state >> 33);
    }

    char printable() {
        char c = static_cast<char>(0x20 + random() % 0x5F);
        return c == ':' ? '#' : c;
    }

    std::string record(uint8_t type, bool valid) {
        std::string line = hex_record(type, static_cast<uint16_t>(random()),
                                      hex_bytes(random() % 120, static_cast<uint8_t>(random())));
        if (!valid)
            line[line.size() - 2] = line[line.size() - 2] == '0' ? '1' : '0';
        return line;
    }

    uint64_t state = 5516;
};

// Compares what the program writes to stderr, as it comes, with what the garbage calls for.
class MessageCheck {
  public:
    void operator()(std::string_view chunk) {
        while (!chunk.empty() && !mismatch) {
            if (expected.empty()) {
                std::string line;
                source.next(line, expected);
                continue;
            }
            size_t n = std::min(chunk.size(), expected.size());
            mismatch = chunk.substr(0, n) != std::string_view(expected).substr(0, n);
            expected.erase(0, n);
            chunk.remove_prefix(n);
            received += n;
        }
    }
    bool mismatch = false;
    uint64_t received = 0;

  private:
    Garbage source;
    std::string expected;
};

TEST_F(Fifo, TwoHundredMegabytesOfGarbageInLittleMemory) {
    const uint64_t total = 200ull << 20;
    uint64_t message_bytes = 0;
    fs::path fifo = folder.dir / "garbage.hex";
    std::thread feeder = feed_fifo(fifo, [&](int fd) {
        Garbage source;
        std::string chunk, line, message;
        for (uint64_t written = 0; written < total;) {
            for (chunk.clear(); chunk.size() < (1 << 16);) {
                source.next(line, message);
                chunk += line;
                message_bytes += message.size();
            }
            if (write(fd, chunk.data(), chunk.size()) != static_cast<ssize_t>(chunk.size()))
                break;
            written += chunk.size();
        }
    });
    MessageCheck check;
    Outcome outcome =
        run_lumbrix({fifo.string(), folder.path("out.qvr"), "5516", "4"}, std::ref(check));
    release_fifo(fifo, feeder);

    EXPECT_EQ(0, outcome.status);
    EXPECT_TRUE(outcome.out.ends_with(SUCCEEDED));
    EXPECT_FALSE(check.mismatch) << "after " << check.received << " bytes of messages";
    EXPECT_EQ(message_bytes, check.received);

    std::vector<uint8_t> page = Garbage::flash_bytes();
    page.resize(512, 0xFF);
    uint32_t checksum = 0;
    for (size_t i = 0; i < page.size(); i += 2)
        checksum += page[i] | page[i + 1] << 8;
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
