// Black-box tests: run the built lumbrix and lumbrix_inspect programs on real files.
#include "hex_text.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

class InspectTest : public ::testing::Test {
  protected:
    std::string dir;

    void SetUp() override {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char &c : name)
            if (c == '/')
                c = '_';
        dir = ::testing::TempDir() + "inspect_" + std::to_string(getpid()) + "_" + name + "/";
        ASSERT_EQ(std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str()), 0);
    }

    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

    std::string path(const std::string &name) const { return dir + name; }

    static std::string read(const std::string &file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    Bytes bytes(const std::string &name) const {
        std::string text = read(path(name));
        return {text.begin(), text.end()};
    }

    void write(const std::string &name, const Bytes &content) const {
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char *>(content.data()), content.size());
    }

    Outcome run(const std::string &program, const std::string &arguments) const {
        std::string command =
            program + " " + arguments + " >'" + path("stdout") + "' 2>'" + path("stderr") + "'";
        int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read(path("stdout")),
                read(path("stderr"))};
    }

    Outcome inspect(const std::string &arguments) const { return run(INSPECT_PROGRAM, arguments); }

    // Convert a HEX file into `qvr` with lumbrix.
    void convert(const std::string &hex, const std::string &qvr, int part, int type) const {
        Outcome r = run(LUMBRIX_PROGRAM, hex + " " + path(qvr) + " " + std::to_string(part) + " " +
                                             std::to_string(type));
        ASSERT_EQ(r.status, 0) << r.err;
    }

    // The example firmware, converted for part 5516.
    Bytes example(int type) const {
        convert(EXAMPLE_HEX, "example.qvr", 5516, type);
        return bytes("example.qvr");
    }
};

// A HEX file of single data bytes, one record each.
std::string hex_of(const std::vector<std::pair<uint32_t, uint8_t>> &bytes) {
    std::ostringstream hex;
    char line[32];
    for (auto [address, value] : bytes) {
        unsigned upper = address >> 16, low = address & 0xFFFF;
        snprintf(line, sizeof line, ":02000004%04X%02X\n", upper,
                 (0x100 - (6 + (upper >> 8) + (upper & 0xFF))) & 0xFF);
        hex << line;
        snprintf(line, sizeof line, ":01%04X00%02X%02X\n", low, value,
                 (0x100 - (1 + (low >> 8) + (low & 0xFF) + value)) & 0xFF);
        hex << line;
    }
    hex << ":00000001FF\n";
    return hex.str();
}

void put_le(Bytes &to, uint32_t value, int count) {
    for (int i = 0; i < count; ++i)
        to.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A Type 4 record for a page of 0xFF at `address`, with a right checksum.
Bytes type4_record(uint32_t address, uint32_t length = 512) {
    Bytes record;
    put_le(record, address, 4);
    put_le(record, length, 2);
    record.insert(record.end(), 512, 0xFF);
    put_le(record, 0xFFFF00, 4);
    return record;
}

bool has_line(const std::string &report, const std::string &line) {
    return ("\n" + report).find("\n" + line + "\n") != std::string::npos;
}

#define EXPECT_LINE(report, line) EXPECT_TRUE(has_line(report, line)) << (report)

// Data on pages 0x80000 and 0x80400 (not 0x80200) and a page whose only byte given is 0xFF.
const char GAPPED_HEX[] = "gapped.hex";
const std::vector<std::pair<uint32_t, uint8_t>> GAPPED = {
    {0x80001, 0x00}, {0x80400, 0x34}, {0x80600, 0xFF}, {0x87800, 0x12}};

struct RoundTrip {
    int part;
    int type;
    bool example;
};

class InspectRoundTrip : public InspectTest, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(InspectRoundTrip, HexOutputConvertsBackToTheSameFile) {
    auto [part, type, use_example] = GetParam();
    std::string hex = EXAMPLE_HEX;
    if (!use_example) {
        hex = path(GAPPED_HEX);
        std::ofstream(hex) << hex_of(GAPPED);
    }
    convert(hex, "first.qvr", part, type);
    Outcome r = inspect("--hex " + path("back.hex") + " " + path("first.qvr"));
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_LINE(r.out, "layout: Type " + std::to_string(type));
    EXPECT_LINE(r.out, "result: sound");
    convert(path("back.hex"), "second.qvr", part, type);
    EXPECT_EQ(bytes("second.qvr"), bytes("first.qvr"));
}

INSTANTIATE_TEST_SUITE_P(Layouts, InspectRoundTrip,
                         ::testing::Values(RoundTrip{5516, 4, true}, RoundTrip{5516, 6, true},
                                           RoundTrip{5516, 4, false}, RoundTrip{5516, 6, false},
                                           RoundTrip{5510, 6, false}),
                         [](const auto &info) {
                             const RoundTrip &p = info.param;
                             return std::to_string(p.part) + "_Type" + std::to_string(p.type) +
                                    (p.example ? "_example" : "_gapped");
                         });

TEST_F(InspectTest, ReportsType6PartPagesAndBlankRuns) {
    std::ofstream(path(GAPPED_HEX)) << hex_of(GAPPED);
    convert(path(GAPPED_HEX), "gapped.qvr", 5511, 6);
    Outcome r = inspect(path("gapped.qvr"));
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char *line :
         {"fits: Type 6", "layout: Type 6", "part code: '1' (0x31)",
          "part: no name (console number 5511)", "flash window: 0x80000-0x877FF (30 KiB)",
          "records: 4", "checksums held: 4 of 4", "first address: 0x80000", "last address: 0x807FF",
          "pages: 0x80000-0x801FF (1 page)", "pages: 0x80200-0x803FF (1 page, only 0xFF)",
          "pages: 0x80400-0x805FF (1 page)", "pages: 0x80600-0x807FF (1 page, only 0xFF)",
          "faults: 0"})
        EXPECT_LINE(r.out, line);
}

TEST_F(InspectTest, ReportsType4AgainstTheLargerWindow) {
    std::ofstream(path(GAPPED_HEX)) << hex_of(GAPPED);
    convert(path(GAPPED_HEX), "gapped.qvr", 5516, 4);
    Outcome r = inspect(path("gapped.qvr"));
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char *line :
         {"size: 2088 bytes", "fits: Type 4", "part: not recorded in a Type 4 file",
          "flash window: 0x80000-0x977FF (94 KiB, the larger one, as the file names no part)",
          "records: 4", "pages: 0x80000-0x801FF (1 page)", "pages: 0x80400-0x805FF (1 page)",
          "pages: 0x80600-0x807FF (1 page, only 0xFF)", "pages: 0x87800-0x879FF (1 page)",
          "last address: 0x879FF", "result: sound"})
        EXPECT_LINE(r.out, line);
}

TEST_F(InspectTest, FlippedByteIsReportedAtItsRecord) {
    for (int type : {4, 6}) {
        Bytes file = example(type);
        size_t header = type == 6 ? 1 : 0, record = type == 6 ? 519 : 522;
        file[header + 2 * record + 100] ^= 0x01; // a data byte of record 3
        write("flipped.qvr", file);
        Outcome r = inspect(path("flipped.qvr"));
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_NE(r.out.find("fault: record 3 at 0x80400: checksum stored 0x"), std::string::npos)
            << r.out;
        EXPECT_LINE(r.out, "faults: 1");
        EXPECT_LINE(r.out, "result: faulty");
        EXPECT_NE(r.err.find("1 fault"), std::string::npos) << r.err;
    }
}

TEST_F(InspectTest, TruncatedFileNeedsTypeAndThenShowsTheShortRecord) {
    Bytes file = example(6);
    size_t records = (file.size() - 1) / 519;
    file.resize(file.size() - 10);
    write("short.qvr", file);

    Outcome r = inspect(path("short.qvr"));
    EXPECT_EQ(r.status, 1);
    EXPECT_LINE(r.out, "fits: neither");
    EXPECT_LINE(r.out, "layout: unknown");
    EXPECT_NE(r.err.find("give --type 4 or --type 6"), std::string::npos) << r.err;

    r = inspect("--type 6 " + path("short.qvr"));
    EXPECT_EQ(r.status, 1);
    EXPECT_LINE(r.out, "layout: Type 6");
    EXPECT_LINE(r.out, "records: " + std::to_string(records - 1));
    EXPECT_LINE(r.out, "fault: record " + std::to_string(records) + " truncated: 509 of 519 bytes");
    EXPECT_LINE(r.out, "faults: 1");
}

TEST_F(InspectTest, EmptyFileIsAnEmptyType4File) {
    write("empty.qvr", {});
    Outcome r = inspect(path("empty.qvr"));
    EXPECT_EQ(r.status, 0);
    EXPECT_LINE(r.out, "fits: Type 4");
    EXPECT_LINE(r.out, "records: 0");
    EXPECT_EQ(r.out.find("first address"), std::string::npos);

    r = inspect("--type 6 " + path("empty.qvr"));
    EXPECT_EQ(r.status, 1);
    EXPECT_LINE(r.out, "fault: no part-code byte");
}

TEST_F(InspectTest, Type6FileOfOnlyItsPartCode) {
    std::ofstream(path("none.hex")) << hex_of({{0x10, 0x55}}); // outside every window
    convert(path("none.hex"), "none.qvr", 5513, 6);
    ASSERT_EQ(bytes("none.qvr"), Bytes{'3'});
    Outcome r = inspect("--hex " + path("none-back.hex") + " " + path("none.qvr"));
    EXPECT_EQ(r.status, 0);
    EXPECT_LINE(r.out, "part: Tarvic5513 (console number 5513)");
    EXPECT_LINE(r.out, "records: 0");
    EXPECT_EQ(read(path("none-back.hex")), ":00000001FF\n");
}

TEST_F(InspectTest, TypeOptionOverridesTheLayoutThatFits) {
    // No size fits both layouts (1 + 519 n is never a multiple of 3, 522 m always is), so
    // --type only ever chooses against one layout or none.
    write("example.qvr", example(6));
    Outcome r = inspect("--type 4 " + path("example.qvr"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("fits Type 6 only; reading it as Type 4, as --type asks"),
              std::string::npos)
        << r.err;
    EXPECT_LINE(r.out, "fits: Type 6");
    EXPECT_LINE(r.out, "layout: Type 4");
    EXPECT_NE(r.out.find("fault: record 1 at 0x"), std::string::npos);

    write("zeros.qvr", Bytes(522 * 2 + 1, 0)); // neither: length fields 0, no part code
    r = inspect(path("zeros.qvr"));
    EXPECT_EQ(r.status, 1);
    EXPECT_LINE(r.out, "fits: neither");
    EXPECT_NE(r.err.find("fits neither layout"), std::string::npos) << r.err;
}

TEST_F(InspectTest, ReportsBadFieldsOrderAndWindow) {
    Bytes type4;
    for (const Bytes &record : {type4_record(0x80200), type4_record(0x80000, 513),
                                type4_record(0x97800), type4_record(0x97900)})
        type4.insert(type4.end(), record.begin(), record.end());
    write("type4.qvr", type4);
    Outcome r = inspect("--type 4 " + path("type4.qvr"));
    EXPECT_EQ(r.status, 1);
    for (const char *line : {
             "fault: record 2 at 0x80000: length field 513, not 512",
             "fault: record 2 at 0x80000: not above the page at 0x80200",
             "fault: record 3 at 0x97800: outside the flash window 0x80000-0x977FF",
             "fault: record 4 at 0x97900: not on a page boundary",
             "faults: 5",
         })
        EXPECT_LINE(r.out, line);

    // A 30 KiB part's file with a page past its window, a gap and a page count of 2.
    std::ofstream(path(GAPPED_HEX)) << hex_of(GAPPED);
    convert(path(GAPPED_HEX), "type6.qvr", 5516, 6);
    Bytes type6 = bytes("type6.qvr");
    type6[0] = '4';
    type6[1 + 519 * 3 + 0] = 0x02; // record 4: page 0x402, not 0x403
    type6[1 + 519 + 2] = 2;        // record 2: two pages
    write("type6.qvr", type6);
    r = inspect(path("type6.qvr"));
    EXPECT_EQ(r.status, 1);
    for (const char *line : {
             "part: Tarvic5514 (console number 5514)",
             "fault: record 2 at 0x80200: page count 2, not 1",
             "fault: record 4 at 0x80400: does not follow the page at 0x80400",
             "fault: record 5 at 0x80800: does not follow the page at 0x80400",
             "fault: record 61 at 0x87800: outside the flash window 0x80000-0x877FF",
             "faults: 4",
         })
        EXPECT_LINE(r.out, line);
}

// A download file made by lumbrix from one HEX file, checked against another (or the same).
struct SourceCase {
    const char *name;
    std::string made_from; // converted with lumbrix for `part` and `type`
    int part, type;
    int drop_record; // removed from the download file before the check; -1 for none
    std::string source;
    std::string options;
    int status;
    std::string lines; // expected in the report, one a line
};

TEST_F(InspectTest, ChecksTheFileAgainstItsHexFile) {
    const std::string end = hex_record(0x01, 0, {});
    const std::string firmware =
        hex_data_at(0x80000, hex_bytes(64, 1)) + hex_data_at(0x80400, hex_bytes(16, 2)) + end;
    std::vector<uint8_t> changed = hex_bytes(64, 1);
    changed[5] = 0;
    const std::string straddling = hex_data_at(0x877F0, hex_bytes(32, 3)) + end;
    const std::string large = hex_data_at(0x97700, hex_bytes(16, 4)) + firmware;
    const std::string twice =
        hex_data_at(0x80010, {1, 2, 3}) + "junk\n" + hex_data_at(0x80010, {1, 9, 9}) + end;
    // What the dialog program reads as 0x80100, because it forces the flash region.
    const std::string low = hex_record(0x04, 0, {0, 0}) + hex_record(0, 0x100, {1, 2}) + end;
    const std::string forced = hex_record(0x04, 0, {0, 8}) + hex_record(0, 0x100, {1, 2}) + end;
    const std::vector<SourceCase> cases = {
        {"sound Type 4, 30 KiB", firmware, 5510, 4, -1, firmware, "--part 5510", 0,
         "source part: Tarvic5510 (console number 5510)\nsource bytes in window: 80\n"
         "source bytes outside window: 0\nfaults: 0"},
        {"sound Type 6, 94 KiB", large, 5516, 6, -1, large, "", 0,
         "source window: 0x80000-0x977FF (94 KiB)\nsource bytes in window: 96"},
        {"one byte changed", firmware, 5510, 6, -1,
         hex_data_at(0x80000, changed) + hex_data_at(0x80400, hex_bytes(16, 2)) + end, "", 1,
         "fault: page 0x80000: byte 0x80005 stored 0x24, expected 0x00\nfaults: 1"},
        {"page missing", firmware, 5510, 4, 1, firmware, "--part 5510", 1,
         "fault: page 0x80400: in the HEX file, missing from the file\nfaults: 1"},
        {"page not in the HEX file", large, 5516, 4, -1, firmware, "--part 5516", 1,
         "fault: page 0x97600: in the file, not in the HEX file"},
        {"run of pages too long", large, 5516, 6, -1, firmware, "", 1,
         "fault: pages 0x80000-0x977FF, the HEX file gives 0x80000-0x805FF"},
        {"straddling the window", straddling, 5510, 6, -1, straddling, "", 0,
         "source bytes in window: 16\ndropped: 0x87800-0x8780F (16 bytes)\nfaults: 0"},
        {"straddling, strict", straddling, 5510, 6, -1, straddling, "--strict", 1,
         "fault: 16 source bytes outside the flash window"},
        {"given twice", twice, 5516, 6, -1, twice, "", 0,
         "overlap: 0x80011-0x80012 (2 bytes)\nsource bytes in window: 3\nfaults: 0"},
        {"given twice, strict", twice, 5516, 6, -1, twice, "--strict", 1,
         "fault: 2 source addresses given different values"},
        {"forced base", forced, 5513, 6, -1, low, "--forced-base", 0,
         "source addresses: forced into the flash region\nfaults: 0"},
        {"base as given", forced, 5513, 6, -1, low, "", 1,
         "dropped: 0x100-0x101 (2 bytes)\n"
         "fault: pages 0x80000-0x801FF, the HEX file gives none"},
        {"part disagrees", firmware, 5516, 6, -1, firmware, "--part 5512", 1,
         "fault: --part 5512 is part code '2', the file's part-code byte is 0x36"},
        {"Type 4 without its part", firmware, 5510, 4, -1, firmware, "", 1,
         "fault: source not compared: the file names no part; give --part"},
    };
    for (const SourceCase &c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(path("made.hex")) << c.made_from;
        std::ofstream(path("source.hex")) << c.source;
        convert(path("made.hex"), "made.qvr", c.part, c.type);
        Bytes file = bytes("made.qvr");
        if (c.drop_record >= 0)
            file.erase(file.begin() + 522 * c.drop_record,
                       file.begin() + 522 * (c.drop_record + 1));
        write("made.qvr", file);
        Outcome r = inspect(c.options + " --source " + path("source.hex") + " " + path("made.qvr"));
        EXPECT_EQ(r.status, c.status) << r.out;
        std::istringstream lines(c.lines);
        for (std::string line; std::getline(lines, line);)
            EXPECT_LINE(r.out, line);
        // The reader's bad lines are reported once, as lumbrix reports them.
        bool junk = c.source.find("junk") != std::string::npos;
        EXPECT_EQ(r.err.find("ERROR: Found invalid ihex line <junk\n>\n") != std::string::npos,
                  junk);
        EXPECT_EQ(r.err.find("ERROR:"), r.err.rfind("ERROR:")) << r.err;
        EXPECT_EQ(bytes("made.qvr"), file);
        EXPECT_EQ(read(path("source.hex")), c.source);
    }
}

TEST_F(InspectTest, UsageErrorsAndUnreadableFiles) {
    for (const char *arguments : {"", "--type 5 x.qvr", "--type", "--bogus x.qvr", "a.qvr b.qvr",
                                  "--type 4 --type 6 x.qvr", "--source a.hex --part 5517 x.qvr",
                                  "--strict x.qvr", "--source a.hex --source b.hex x"}) {
        Outcome r = inspect(arguments);
        EXPECT_EQ(r.status, 2) << arguments;
        EXPECT_NE(r.err.find("usage: lumbrix_inspect"), std::string::npos) << arguments;
        EXPECT_EQ(r.out, "") << arguments;
    }
    Outcome r = inspect("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage: lumbrix_inspect"), std::string::npos);

    r = inspect(path("missing.qvr"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot read"), std::string::npos);
}

} // namespace
