// Black-box tests of the lumbrix program: what it prints, where, its exit status and files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string BANNER = "\n>>  Program:  Lumbrix\n>>  Version:  3.0.2\n"
                           ">>  Date:     14.March.2008\n>>  Email:    lin-support@korvane.com\n\n";
const std::string USAGE = "ERROR  : Incorrect number of parameters\n"
                          "Syntax : Lumbrix <input hex file> <output binary file> <part> "
                          "<protocol>\n"
                          "Example: Lumbrix C:\\sample.hex C:\\sample.qvr 5516 4\n\n";
const std::string SUCCEEDED = ">>  Conversion Succeeded\n\n";
const std::string FAILED = "ERROR  : Conversion Failed\n\n";

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

std::string env_or(const char *name, const std::string &fallback) {
    const char *value = getenv(name);
    return value && *value ? value : fallback;
}

std::string read_file(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A Windows build writes its standard streams in text mode, every line end as CR LF. Give
// them back as LF so that the same expectations hold; a bare LF is marked so that it fails.
std::string from_text_mode(const std::string &text) {
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\r\n") == 0)
            result += '\n', ++i;
        else if (text[i] == '\n')
            result += "<bare LF>";
        else
            result += text[i];
    }
    return result;
}

class Lumbrix : public ::testing::Test {
  protected:
    fs::path dir;

    void SetUp() override {
        char pattern[] = "/tmp/lumbrix-console-XXXXXX";
        dir = mkdtemp(pattern);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string &name) const { return (dir / name).string(); }

    static bool windows_program() {
        std::string program = env_or("LUMBRIX_PROGRAM", LUMBRIX_PATH);
        return program.ends_with(".exe");
    }

    std::string write(const std::string &name, const std::string &text) const {
        std::ofstream(dir / name, std::ios::binary) << text;
        return path(name);
    }

    // Run the program with these arguments, capturing both streams.
    Outcome run(const std::vector<std::string> &args) const {
        std::vector<std::string> argv;
        std::istringstream runner(env_or("LUMBRIX_RUNNER", ""));
        for (std::string word; runner >> word;)
            argv.push_back(word);
        argv.push_back(env_or("LUMBRIX_PROGRAM", LUMBRIX_PATH));
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char *> pointers;
        for (std::string &arg : argv)
            pointers.push_back(arg.data());
        pointers.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, path("stdout").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, path("stderr").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid;
        int status = -1;
        if (posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ) == 0)
            waitpid(pid, &status, 0);
        posix_spawn_file_actions_destroy(&actions);
        Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(path("stdout")),
                        read_file(path("stderr"))};
        if (windows_program()) {
            outcome.out = from_text_mode(outcome.out);
            outcome.err = from_text_mode(outcome.err);
        }
        return outcome;
    }

    std::string sample() const {
        return write("in.hex", ":020000040008F2\n:0400100001020304E2\n:00000001FF\n");
    }
};

TEST_F(Lumbrix, WrongArgumentCountPrintsUsage) {
    std::string in = sample();
    for (auto args : {std::vector<std::string>{},
                      {in, path("out.qvr"), "5516"},
                      {in, path("out.qvr"), "5516", "4", "extra"}}) {
        Outcome outcome = run(args);
        EXPECT_EQ(1, outcome.status);
        EXPECT_EQ(BANNER, outcome.out);
        EXPECT_EQ(USAGE, outcome.err);
    }
    EXPECT_FALSE(fs::exists(path("out.qvr")));
}

TEST_F(Lumbrix, ConvertsWithEveryPartAndBothProtocols) {
    std::string in = sample();
    for (int number = 5510; number <= 5516; ++number) {
        Outcome type6 = run({in, path("out6.qvr"), std::to_string(number), "6"});
        EXPECT_EQ(0, type6.status);
        EXPECT_EQ(BANNER + SUCCEEDED, type6.out);
        EXPECT_EQ("", type6.err);
        std::string file = read_file(path("out6.qvr"));
        ASSERT_EQ(1u + 519, file.size());
        EXPECT_EQ('0' + number - 5510, file[0]);
    }
    Outcome type4 = run({in, path("out4.qvr"), "5516", "4"});
    EXPECT_EQ(BANNER + SUCCEEDED, type4.out);
    EXPECT_EQ(522u, fs::file_size(path("out4.qvr")));
}

TEST_F(Lumbrix, NumbersAreReadLikeScanfDecimal) {
    std::string in = sample();
    for (const char *part : {"5516xyz", " 5510", "+5512", "05516", "\t5511 "})
        EXPECT_EQ(0, run({in, path("out.qvr"), part, "6"}).status) << part;
    for (const char *protocol : {"65540", "4.9", " +4"}) {
        EXPECT_EQ(0, run({in, path("out.qvr"), "5516", protocol}).status) << protocol;
        EXPECT_EQ(522u, fs::file_size(path("out.qvr"))) << protocol;
    }
    EXPECT_EQ(0, run({in, path("out.qvr"), "5516", "65542"}).status);
    EXPECT_EQ(520u, fs::file_size(path("out.qvr")));
}

TEST_F(Lumbrix, UnrecognisedNumbersLeaveAnEmptyOutput) {
    std::string in = sample();
    // 4294972806 and 4294967300 are 5510 and 4 beyond 32 bits: too big, not wrapped.
    for (const char *part : {"5517", "5509", "-5510", "abc", "", "4294972806", "2147483648"}) {
        write("out.qvr", "old contents");
        Outcome outcome = run({in, path("out.qvr"), part, "4"});
        EXPECT_EQ(1, outcome.status) << part;
        EXPECT_EQ(BANNER, outcome.out);
        EXPECT_EQ(std::string("ERROR  : Unrecognised <part> Parameter: ") + part + "\n\n",
                  outcome.err);
        EXPECT_EQ(0u, fs::file_size(path("out.qvr")));
    }
    for (const char *protocol : {"5", "-4", "x4", "0x4", "4294967300", "-2147483648"}) {
        Outcome outcome = run({in, path("out.qvr"), "5516", protocol});
        EXPECT_EQ(1, outcome.status) << protocol;
        EXPECT_EQ(std::string("ERROR  : Unrecognised <protocol> Parameter: ") + protocol + "\n\n",
                  outcome.err);
        EXPECT_EQ(0u, fs::file_size(path("out.qvr")));
    }
    Outcome both_bad = run({in, path("out.qvr"), "1", "2"});
    EXPECT_EQ("ERROR  : Unrecognised <part> Parameter: 1\n\n", both_bad.err)
        << "the protocol is not looked at once the part is wrong";
}

TEST_F(Lumbrix, FilesThatCannotBeOpened) {
    Outcome missing = run({path("missing.hex"), path("out.qvr"), "5516", "4"});
    EXPECT_EQ(1, missing.status);
    EXPECT_EQ(BANNER, missing.out);
    EXPECT_EQ("ERROR  : Error 2 opening " + path("missing.hex") + "\n\n", missing.err);
    EXPECT_FALSE(fs::exists(path("out.qvr")));

    std::string out = path("no/such/folder/out.qvr");
    Outcome no_folder = run({sample(), out, "5516", "4"});
    EXPECT_EQ(1, no_folder.status);
    EXPECT_EQ("ERROR  : Error 2 opening " + out + "\n\n", no_folder.err);
}

TEST_F(Lumbrix, OutputOntoTheInputIsRefused) {
    std::string in = sample();
    std::string hex = read_file(in);
    std::string respelled = (dir / "." / "in.hex").string();
    Outcome outcome = run({in, respelled, "5516", "6"});
    EXPECT_EQ(1, outcome.status);
    EXPECT_EQ(BANNER, outcome.out);
    EXPECT_EQ("ERROR  : Input and output are the same file: " + respelled + "\n\n", outcome.err);
    EXPECT_EQ(hex, read_file(in)) << "the HEX file is left as it was";
}

TEST_F(Lumbrix, FailedReadsAndWritesAreNotSuccesses) {
    Outcome directory_in = run({dir.string(), path("out.qvr"), "5516", "6"});
    EXPECT_EQ(1, directory_in.status);
    EXPECT_EQ(BANNER, directory_in.out);
    // Windows refuses to open a folder as a file (access denied); elsewhere it opens and
    // then fails to read.
    EXPECT_EQ(windows_program() ? "ERROR  : Error 13 opening " + dir.string() + "\n\n" : FAILED,
              directory_in.err);

    Outcome full_disk = run({sample(), "/dev/full", "5516", "6"});
    EXPECT_EQ(1, full_disk.status);
    EXPECT_EQ(BANNER, full_disk.out);
    EXPECT_EQ(FAILED, full_disk.err);
}

TEST_F(Lumbrix, BadLinesAreReportedAndTheConversionStillSucceeds) {
    std::string in = write("bad.hex", "hello\n:0400100001020304E3\n:0400100001020304E2\n");
    Outcome outcome = run({in, path("out.qvr"), "5510", "4"});
    EXPECT_EQ(0, outcome.status);
    EXPECT_EQ(BANNER + SUCCEEDED, outcome.out);
    EXPECT_EQ("ERROR: Found invalid ihex line <hello\n>\n"
              "ERROR: Found invalid checksum in ihex line <:0400100001020304E3\n>\n",
              outcome.err);
    EXPECT_EQ(0u, fs::file_size(path("out.qvr"))) << "offset 0x10 lies below the flash window";
}

} // namespace
