// The console program against files that fail it: directories, a full device, a FIFO, a
// device with nothing in it, and 200 MB of garbage read through a FIFO with little memory.
#include "hex_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string_view>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace {

namespace fs = std::filesystem;

const char CONVERSION_FAILED[] = "ERROR  : Conversion Failed\n\n";
const char CONVERSION_SUCCEEDED[] = ">>  Conversion Succeeded\n\n";

struct Outcome {
    int status = -1; // exit status; 128 + the signal when a signal ended it
    std::string out;
    std::string err;
};

typedef std::function<void(std::string_view)> Consumer;

// Drain both pipes until the program has closed them.
void drain(int out_fd, int err_fd, Outcome &outcome, const Consumer &on_err) {
    pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    char buffer[1 << 16];
    for (int open = 2; open > 0;) {
        poll(fds, 2, -1);
        for (pollfd &p : fds) {
            if (p.fd < 0 || p.revents == 0)
                continue;
            ssize_t n = read(p.fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(p.fd);
                p.fd = -1;
                --open;
            } else if (p.fd == out_fd) {
                outcome.out.append(buffer, n);
            } else if (on_err) {
                on_err(std::string_view(buffer, n));
            } else {
                outcome.err.append(buffer, n);
            }
        }
    }
}

// Run the program with these arguments and no input on stdin. Standard error goes to
// `on_err` as it arrives when given, into the outcome otherwise.
Outcome run_console(const std::vector<std::string> &arguments, const Consumer &on_err = {}) {
    int out_pipe[2], err_pipe[2];
    EXPECT_EQ(0, pipe2(out_pipe, O_CLOEXEC));
    EXPECT_EQ(0, pipe2(err_pipe, O_CLOEXEC));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
    posix_spawnattr_t attributes; // the test ignores SIGPIPE; the program must not inherit that
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    std::vector<char *> argv = {const_cast<char *>("lumbrix")};
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    Outcome outcome;
    int spawned = posix_spawn(&pid, LUMBRIX_PATH, &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(out_pipe[1]);
    close(err_pipe[1]);
    EXPECT_EQ(0, spawned);
    drain(out_pipe[0], err_pipe[0], outcome, on_err);
    int status;
    waitpid(pid, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return outcome;
}

std::string contents_of(const fs::path &path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

const std::string FIRMWARE = LUMBRIX_EXAMPLES "/firmware.hex";

class IoFaults : public testing::Test {
  protected:
    void SetUp() override {
        signal(SIGPIPE, SIG_IGN); // a writer whose reader is gone gets EPIPE instead
        char pattern[] = "/tmp/lumbrix-faults-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

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

    fs::path dir;
};

TEST_F(IoFaults, InputIsADirectory) {
    for (const char *protocol : {"4", "6"}) {
        Outcome outcome = run_console({dir.string(), (dir / "out.qvr").string(), "5516", protocol});
        EXPECT_EQ(1, outcome.status);
        EXPECT_EQ(CONVERSION_FAILED, outcome.err);
        EXPECT_EQ(std::string::npos, outcome.out.find("Succeeded"));
    }
}

TEST_F(IoFaults, OutputIsADirectory) {
    Outcome outcome = run_console({FIRMWARE, dir.string(), "5516", "4"});
    EXPECT_EQ(1, outcome.status);
    EXPECT_EQ("ERROR  : Error " + std::to_string(EISDIR) + " opening " + dir.string() + "\n\n",
              outcome.err);
}

TEST_F(IoFaults, OutputOnAFullDevice) {
    for (const char *protocol : {"4", "6"}) {
        Outcome outcome = run_console({FIRMWARE, "/dev/full", "5516", protocol});
        EXPECT_EQ(1, outcome.status);
        EXPECT_EQ(CONVERSION_FAILED, outcome.err);
        EXPECT_EQ(std::string::npos, outcome.out.find("Succeeded"));
    }
    // A Type 6 file always holds its part-code byte, so even an empty image cannot be written.
    Outcome header_only = run_console({"/dev/null", "/dev/full", "5516", "6"});
    EXPECT_EQ(1, header_only.status);
    EXPECT_EQ(CONVERSION_FAILED, header_only.err);
}

TEST_F(IoFaults, InputFromAFifoConvertsLikeAFile) {
    std::string firmware = contents_of(FIRMWARE);
    fs::path fifo = dir / "in.hex";
    std::thread feeder = feed_fifo(fifo, [&firmware](int fd) {
        EXPECT_EQ(static_cast<ssize_t>(firmware.size()),
                  write(fd, firmware.data(), firmware.size()));
    });
    Outcome piped = run_console({fifo.string(), (dir / "piped.qvr").string(), "5516", "6"});
    release_fifo(fifo, feeder);
    Outcome plain = run_console({FIRMWARE, (dir / "plain.qvr").string(), "5516", "6"});
    EXPECT_EQ(0, piped.status);
    EXPECT_TRUE(piped.out.ends_with(CONVERSION_SUCCEEDED));
    EXPECT_EQ("", piped.err);
    EXPECT_EQ(0, plain.status);
    EXPECT_EQ(contents_of(dir / "plain.qvr"), contents_of(dir / "piped.qvr"));
    EXPECT_EQ(1u + 17 * 519, contents_of(dir / "piped.qvr").size());
}

TEST_F(IoFaults, InputFromAnEmptyDevice) {
    Outcome type4 = run_console({"/dev/null", (dir / "4.qvr").string(), "5516", "4"});
    EXPECT_EQ(0, type4.status);
    EXPECT_EQ("", contents_of(dir / "4.qvr"));
    Outcome type6 = run_console({"/dev/null", (dir / "6.qvr").string(), "5516", "6"});
    EXPECT_EQ(0, type6.status);
    EXPECT_EQ("6", contents_of(dir / "6.qvr"));
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

TEST_F(IoFaults, TwoHundredMegabytesOfGarbageInLittleMemory) {
    const uint64_t total = 200ull << 20;
    uint64_t message_bytes = 0;
    fs::path fifo = dir / "garbage.hex";
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
        run_console({fifo.string(), (dir / "out.qvr").string(), "5516", "4"}, std::ref(check));
    release_fifo(fifo, feeder);

    EXPECT_EQ(0, outcome.status);
    EXPECT_TRUE(outcome.out.ends_with(CONVERSION_SUCCEEDED));
    EXPECT_FALSE(check.mismatch) << "after " << check.received << " bytes of messages";
    EXPECT_EQ(message_bytes, check.received);

    std::vector<uint8_t> page = Garbage::flash_bytes();
    page.resize(512, 0xFF);
    uint32_t checksum = 0;
    for (size_t i = 0; i < page.size(); i += 2)
        checksum += page[i] | page[i + 1] << 8;
    std::string expected = {0, 0, 8, 0, 0, 2};
    expected.append(page.begin(), page.end());
    for (int i = 0; i < 4; ++i)
        expected += static_cast<char>(checksum >> (8 * i));
    EXPECT_EQ(expected, contents_of(dir / "out.qvr"));

#ifndef __SANITIZE_ADDRESS__ // the sanitizer's own shadow memory would swamp the figure
    rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, 16 * 1024) << "peak resident memory in KiB";
#endif
}

} // namespace
