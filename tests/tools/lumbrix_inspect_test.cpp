// The built lumbrix_inspect on download files written by the built lumbrix, then damaged.
#include "files.h"
#include "hex_text.h"
#include "run_program.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Bytes = std::string;

// A table row prints as its label, so that a test's name says the case, not its bytes.
template <typename Row>
requires requires(const Row &row) {
    row.label;
}
void PrintTo(const Row &row, std::ostream *os) {
    *os << row.label;
}

// Pages 0x80000, 0x80400 and 0x87800 hold data, 0x80600 only the byte 0xFF.
std::string gapped_hex() {
    return hex_data_at(0x80001, {0x00}) + hex_data_at(0x80400, {0x34}) +
           hex_data_at(0x80600, {0xFF}) + hex_data_at(0x87800, {0x12});
}

// The download file lumbrix writes from `hex` ("example" for the shipped firmware).
Bytes converted(const TempFolder &folder, const std::string &hex, int part, int type) {
    std::string in = hex == "example" ? EXAMPLE_HEX : folder.write("in.hex", hex);
    Outcome outcome = run_program(
        {LUMBRIX_PROGRAM, in, folder.path("made.qvr"), std::to_string(part), std::to_string(type)});
    EXPECT_EQ(0, outcome.status) << outcome.err;
    return folder.read("made.qvr");
}

Outcome inspect(const std::vector<std::string> &args) {
    std::vector<std::string> argv = {INSPECT_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_program(argv);
}

struct RoundTripCase {
    const char *label;
    std::string hex; // "example" for the shipped firmware
    int part, type;
};

class RoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, HexOutputConvertsBackToTheSameFile) {
    const RoundTripCase &c = GetParam();
    TempFolder folder;
    Bytes first = converted(folder, c.hex, c.part, c.type);
    folder.write("first.qvr", first);
    Outcome r = inspect({"--hex", folder.path("back.hex"), folder.path("first.qvr")});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ("", r.err);
    EXPECT_NE(std::string::npos, r.out.find("\nlayout: Type " + std::to_string(c.type) + "\n"));
    EXPECT_EQ(first, converted(folder, folder.read("back.hex"), c.part, c.type));
}

INSTANTIATE_TEST_SUITE_P(
    Files, RoundTrip,
    testing::Values(
        RoundTripCase{.label = "example_type4", .hex = "example", .part = 5516, .type = 4},
        RoundTripCase{.label = "example_type6", .hex = "example", .part = 5516, .type = 6},
        RoundTripCase{.label = "gapped_type4", .hex = gapped_hex(), .part = 5516, .type = 4},
        RoundTripCase{.label = "gapped_type6", .hex = gapped_hex(), .part = 5510, .type = 6},
        RoundTripCase{
            .label = "outside_the_window", .hex = hex_data_at(0x10, {1}), .part = 5513, .type = 6}),
    [](const auto &info) { return info.param.label; });

// A Type 4 record of a page of 0xFF, with a right checksum.
Bytes type4_record(uint32_t address, uint32_t length = 512) {
    Bytes record;
    put_le(record, address, 4);
    put_le(record, length, 2);
    record.append(512, '\xFF');
    put_le(record, 0xFFFF00, 4);
    return record;
}

// Twenty pages whose checksums all fail: more of one fault than a report shows.
Bytes bad_checksums(const TempFolder &) {
    Bytes file;
    for (uint32_t page = 0; page < 20; ++page)
        file += type4_record(0x80000 + 512 * page).replace(518, 4, 4, '\0');
    return file;
}

Bytes flipped(const TempFolder &folder, int type) {
    Bytes file = converted(folder, "example", 5516, type);
    file[(type == 6 ? 1 : 0) + 2 * (type == 6 ? 519 : 522) + 100] ^= 0x01; // in record 3
    return file;
}

// A 30 KiB part's file with a record of two pages, a gap, and a page past its window.
Bytes damaged_type6(const TempFolder &folder) {
    Bytes file = converted(folder, gapped_hex(), 5516, 6);
    file[0] = '4';
    file[1 + 519 * 3] = 0x02; // record 4: page 0x402, not 0x403
    file[1 + 519 + 2] = 2;    // record 2: two pages
    return file;
}

Bytes example(const TempFolder &folder, int type) {
    return converted(folder, "example", 5516, type);
}

// A file, the arguments to inspect it with ("@" is the file), and what the report says.
struct Case {
    const char *label;
    std::function<Bytes(const TempFolder &)> file;
    std::vector<std::string> args;
    int status;
    std::vector<std::string> lines; // of the report, in order; a trailing '*' matches a prefix
    std::string err = "";           // part of standard error
};

// Each line in order, each at the start of a line of `out`; lines joined by '\n' must follow
// each other.
void expect_lines_in_order(const std::string &out, const std::vector<std::string> &lines) {
    std::string text = "\n" + out;
    size_t at = 0;
    for (std::string line : lines) {
        line = line.ends_with('*') ? line.substr(0, line.size() - 1) : line + "\n";
        at = text.find("\n" + line, at);
        ASSERT_NE(std::string::npos, at) << "no " << line << " in order in" << out;
    }
}

class Report : public testing::TestWithParam<Case> {};

TEST_P(Report, ListsWhatTheFileHoldsAndItsFaults) {
    Case c = GetParam();
    TempFolder folder;
    folder.write("file.qvr", c.file(folder));
    for (std::string &arg : c.args)
        if (arg == "@")
            arg = folder.path("file.qvr");
    Outcome r = inspect(c.args);
    EXPECT_EQ(c.status, r.status) << r.out << r.err;
    expect_lines_in_order(r.out, c.lines);
    EXPECT_NE(std::string::npos, r.err.find(c.err)) << r.err;
}

// One row a case, its report lines on the second.
// clang-format off
const Case CASES[] = {
    {.label = "type6_pages_and_blank_runs", .file = [](auto &f) { return converted(f, gapped_hex(), 5511, 6); }, .args = {"@"}, .status = 0,
     .lines = {"fits: Type 6", "layout: Type 6", "part code: '1' (0x31)", "part: no name (console number 5511)", "flash window: 0x80000-0x877FF (30 KiB)", "records: 4", "checksums held: 4 of 4", "first address: 0x80000", "last address: 0x807FF", "pages: 0x80000-0x801FF (1 page)", "pages: 0x80200-0x803FF (1 page, only 0xFF)", "pages: 0x80400-0x805FF (1 page)", "pages: 0x80600-0x807FF (1 page, only 0xFF)", "faults: 0", "result: sound"}},
    {.label = "type4_against_the_larger_window", .file = [](auto &f) { return converted(f, gapped_hex(), 5516, 4); }, .args = {"@"}, .status = 0,
     .lines = {"size: 2088 bytes", "fits: Type 4", "part: not recorded in a Type 4 file", "flash window: 0x80000-0x977FF (94 KiB, the larger one, as the file names no part)", "records: 4", "last address: 0x879FF", "pages: 0x80000-0x801FF (1 page)", "pages: 0x80600-0x807FF (1 page, only 0xFF)", "pages: 0x87800-0x879FF (1 page)", "result: sound"}},
    {.label = "example_type4", .file = [](auto &f) { return example(f, 4); }, .args = {"@"}, .status = 0,
     .lines = {"pages: 0x80000-0x807FF (4 pages)", "pages: 0x82000-0x821FF (1 page)", "result: sound"}},
    {.label = "flipped_type4", .file = [](auto &f) { return flipped(f, 4); }, .args = {"@"}, .status = 1,
     .lines = {"fault: record 3 at 0x80400: checksum stored 0x*", "faults: 1", "result: faulty"}, .err = "1 fault\n"},
    {.label = "repeated_fault_counted", .file = bad_checksums, .args = {"@"}, .status = 1,
     .lines = {"fault: record 8 at 0x80E00: checksum*", "fault: 12 more records whose checksum fails", "faults: 20"}, .err = "20 faults\n"},
    {.label = "truncated", .file = [](auto &f) { return example(f, 6).substr(0, 1 + 17 * 519 - 10); }, .args = {"@"}, .status = 1,
     .lines = {"fits: neither", "layout: unknown", "fault: layout unknown: give --type 4 or --type 6"}, .err = "give --type 4 or --type 6"},
    {.label = "truncated_as_type6", .file = [](auto &f) { return example(f, 6).substr(0, 1 + 17 * 519 - 10); }, .args = {"--type", "6", "@"}, .status = 1,
     .lines = {"layout: Type 6", "records: 16", "fault: record 17 truncated: 509 of 519 bytes", "faults: 1"}},
    {.label = "empty_is_not_sound", .file = [](auto &) { return ""; }, .args = {"@"}, .status = 0,
     .lines = {"fits: Type 4", "records: 0", "pages: none", "faults: 0", "result: empty"}},
    {.label = "empty_strict", .file = [](auto &f) { return converted(f, hex_data_at(0x10, {1}), 5516, 6); }, .args = {"--strict", "@"}, .status = 1,
     .lines = {"records: 0", "fault: the file holds no pages", "result: faulty"}},
    {.label = "empty_as_type6", .file = [](auto &) { return ""; }, .args = {"--type", "6", "@"}, .status = 1,
     .lines = {"layout: Type 6", "records: 0", "fault: no part-code byte", "faults: 1"}},
    {.label = "type_option_against_the_fit", .file = [](auto &f) { return example(f, 6); }, .args = {"--type", "4", "@"}, .status = 1,
     .lines = {"fits: Type 6", "layout: Type 4", "fault: record 1 at 0x*"}, .err = "fits Type 6 only; reading it as Type 4, as --type asks"},
    {.label = "length_fields_fit_neither", .file = [](auto &) { return type4_record(0x80000) + type4_record(0x80200, 511); }, .args = {"@"}, .status = 1,
     .lines = {"fits: neither", "layout: unknown"}, .err = "fits neither layout"},
    {.label = "part_code_zero", .file = [](auto &) { return Bytes(1 + 519, '\0'); }, .args = {"--type", "6", "@"}, .status = 1,
     .lines = {"part code: 0x00", "flash window: 0x80000-0x977FF (94 KiB, the larger one, as the file names no part)", "fault: part-code byte 0x00 is not '0' to '6'"}},
    {.label = "type4_fields_order_and_window", .file = [](auto &) { return type4_record(0x80200) + type4_record(0x80000, 513) + type4_record(0x97800) + type4_record(0x97900); }, .args = {"--type", "4", "@"}, .status = 1,
     .lines = {"fault: record 2 at 0x80000: length field 513, not 512", "fault: record 2 at 0x80000: not above the page at 0x80200", "fault: record 3 at 0x97800: outside the flash window 0x80000-0x977FF", "fault: record 4 at 0x97900: not on a page boundary", "faults: 5"}},
    {.label = "type6_count_order_and_window", .file = damaged_type6, .args = {"@"}, .status = 1,
     .lines = {"part: Tarvic5514 (console number 5514)", "fault: record 2 at 0x80200: page count 2, not 1", "fault: record 4 at 0x80400: does not follow the page at 0x80400", "fault: record 5 at 0x80800: does not follow the page at 0x80400", "fault: record 61 at 0x87800: outside the flash window 0x80000-0x877FF", "faults: 4"}},
    {.label = "page_off_its_boundary_against_the_hex_file", .file = [](auto &) { return type4_record(0x80100); }, .args = {"--source", EXAMPLE_HEX, "--part", "5516", "@"}, .status = 1,
     .lines = {"fault: page 0x80100: in the file, not in the HEX file"}},
    {.label = "hex_to_a_full_device", .file = [](auto &f) { return converted(f, hex_data_at(0x80000, {1}), 5516, 4); }, .args = {"--hex", "/dev/full", "@"}, .status = 1,
     .lines = {"faults: 0"}, .err = "lumbrix_inspect: cannot write /dev/full: No space left on device\n"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Files, Report, testing::ValuesIn(CASES),
                         [](const auto &info) { return info.param.label; });

struct UsageCase {
    const char *label;
    std::vector<std::string> args;
    std::string err;
};

class Usage : public testing::TestWithParam<UsageCase> {};

TEST_P(Usage, IsRefusedBeforeAnythingIsRead) {
    Outcome r = inspect(GetParam().args);
    EXPECT_EQ(2, r.status);
    EXPECT_EQ("", r.out);
    EXPECT_NE(std::string::npos,
              r.err.find("lumbrix_inspect: " + GetParam().err + "\nusage: lumbrix_inspect"))
        << r.err;
}

// One row a case.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Arguments, Usage, testing::Values(
    UsageCase{.label = "no_file", .args = {}, .err = "no file to inspect"},
    UsageCase{.label = "type_5", .args = {"--type", "5", "x"}, .err = "--type takes 4 or 6, not \"5\""},
    UsageCase{.label = "without_value", .args = {"--type"}, .err = "--type needs a value"},
    UsageCase{.label = "unknown_option", .args = {"--bogus", "x"}, .err = "unknown option --bogus"},
    UsageCase{.label = "two_files", .args = {"a", "b"}, .err = "more than one file: b"},
    UsageCase{.label = "given_twice", .args = {"--strict", "x", "--strict"}, .err = "--strict given twice"},
    UsageCase{.label = "part_unknown", .args = {"--source", "a", "--part", "5517", "x"}, .err = "--part takes a console number 5510 to 5516, not \"5517\""},
    UsageCase{.label = "part_without_source", .args = {"--part", "5510", "x"}, .err = "--part, --forced-base and --allow-outside need --source"},
    UsageCase{.label = "allow_outside_alone", .args = {"--source", "a", "--allow-outside", "x"}, .err = "--allow-outside needs --strict"}),
    [](const auto &info) { return info.param.label; });
// clang-format on

TEST(Usage, HelpPrintsTheUsage) {
    Outcome r = inspect({"--help"});
    EXPECT_EQ(0, r.status);
    EXPECT_TRUE(r.out.starts_with("usage: lumbrix_inspect")) << r.out;
}

// However the output names an input, both stay as they were and nothing is written.
TEST(Inputs, AreNeverOverwritten) {
    TempFolder folder;
    Bytes file = example(folder, 6);
    std::string qvr = folder.write("file.qvr", file), hex = folder.path("in.hex");
    fs::copy_file(EXAMPLE_HEX, hex);
    fs::create_symlink(qvr, folder.path("link.qvr"));
    fs::create_hard_link(hex, folder.path("hard.hex"));
    std::string dotted = (folder.dir / "." / "file.qvr").string();
    for (const std::string &output :
         {qvr, folder.path("link.qvr"), dotted, hex, folder.path("hard.hex")}) {
        SCOPED_TRACE(output);
        Outcome r = inspect({"--source", hex, "--hex", output, qvr});
        EXPECT_EQ(2, r.status);
        EXPECT_NE(std::string::npos, r.err.find("would overwrite")) << r.err;
        EXPECT_EQ(file, folder.read("file.qvr"));
        EXPECT_EQ(read_file(EXAMPLE_HEX), folder.read("in.hex"));
    }
}

// A record never runs past the 64 KiB its address record opens, even from a page off its
// boundary.
TEST(HexOutput, RecordsStopAtTheEndOfTheirAddressRange) {
    TempFolder folder;
    std::string qvr = folder.write("file.qvr", type4_record(0x8FFF0));
    inspect({"--hex", folder.path("out.hex"), qvr});
    expect_lines_in_order(folder.read("out.hex"),
                          {":020000040008F2", ":10FFF000*", ":020000040009F1", ":20000000*"});
}

// A run that cannot finish its output leaves none, and leaves an older one as it was.
TEST(HexOutput, AppearsOnlyWhole) {
    TempFolder folder;
    std::string qvr = folder.write("file.qvr", "neither layout");
    folder.write("old.hex", "older");
    Outcome r = inspect({"--hex", folder.path("old.hex"), qvr});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("not written: the layout is unknown")) << r.err;
    EXPECT_EQ("older", folder.read("old.hex"));
    EXPECT_EQ(2, std::distance(fs::directory_iterator(folder.dir), {}))
        << "a temporary file stayed";
}

const std::string END = hex_record(0x01, 0, {});
const std::string FIRMWARE =
    hex_data_at(0x80000, hex_bytes(64, 1)) + hex_data_at(0x80400, hex_bytes(16, 2)) + END;
const std::string LARGE = hex_data_at(0x97700, hex_bytes(16, 4)) + FIRMWARE;
const std::string STRADDLING = hex_data_at(0x877F0, hex_bytes(32, 3)) + END;
const std::string TWICE =
    hex_data_at(0x80010, {1, 2, 3}) + "junk\n" + hex_data_at(0x80010, {1, 9, 9}) + END;
// What the dialog program reads as 0x80100, because it forces the flash region.
const std::string LOW = hex_record(0x04, 0, {0, 0}) + hex_record(0, 0x100, {1, 2}) + END;
const std::string FORCED = hex_record(0x04, 0, {0, 8}) + hex_record(0, 0x100, {1, 2}) + END;

std::string changed_byte() {
    std::vector<uint8_t> changed = hex_bytes(64, 1);
    changed[5] = 0;
    return hex_data_at(0x80000, changed) + hex_data_at(0x80400, hex_bytes(16, 2)) + END;
}

// A download file made by lumbrix from one HEX file, checked against another (or the same).
struct SourceCase {
    const char *label;
    std::string made_from; // converted with lumbrix for `part` and `type`
    int part, type;
    std::string source;
    std::vector<std::string> options = {};
    int status;
    std::vector<std::string> lines; // expected in the report, in order
    int drop_record = -1;           // removed from the download file before the check
};

class SourceCheck : public testing::TestWithParam<SourceCase> {};

TEST_P(SourceCheck, ComparesTheFileWithWhatItsHexFileGives) {
    const SourceCase &c = GetParam();
    TempFolder folder;
    Bytes file = converted(folder, c.made_from, c.part, c.type);
    if (c.drop_record >= 0)
        file.erase(522 * c.drop_record, 522);
    std::string qvr = folder.write("file.qvr", file);
    std::string source = folder.write("source.hex", c.source);
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"--source", source, qvr});
    Outcome r = inspect(args);
    EXPECT_EQ(c.status, r.status) << r.out;
    expect_lines_in_order(r.out, c.lines);
    // The reader's bad lines are reported once, as lumbrix reports them.
    bool junk = c.source.find("junk") != std::string::npos;
    EXPECT_EQ(junk, r.err.find("ERROR: Found invalid ihex line <junk\n>\n") != std::string::npos);
    EXPECT_EQ(r.err.find("ERROR:"), r.err.rfind("ERROR:")) << r.err;
}

// One row a case, its report lines on the second.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, SourceCheck, testing::Values(
    SourceCase{.label = "sound_type4_30K", .made_from = FIRMWARE, .part = 5510, .type = 4, .source = FIRMWARE, .options = {"--part", "5510"}, .status = 0,
               .lines = {"source part: Tarvic5510 (console number 5510)", "source bytes in window: 80", "source bytes outside window: 0\nrejected: 0 lines", "faults: 0"}},
    SourceCase{.label = "sound_type6_94K", .made_from = LARGE, .part = 5516, .type = 6, .source = LARGE, .status = 0,
               .lines = {"source window: 0x80000-0x977FF (94 KiB)", "source bytes in window: 96"}},
    SourceCase{.label = "one_byte_changed", .made_from = FIRMWARE, .part = 5510, .type = 6, .source = changed_byte(), .status = 1,
               .lines = {"fault: page 0x80000: byte 0x80005 stored 0x24, expected 0x00", "faults: 1"}},
    SourceCase{.label = "page_missing", .made_from = FIRMWARE, .part = 5510, .type = 4, .source = FIRMWARE, .options = {"--part", "5510"}, .status = 1,
               .lines = {"fault: page 0x80400: in the HEX file, missing from the file", "faults: 1"}, .drop_record = 1},
    SourceCase{.label = "page_not_in_the_hex_file", .made_from = LARGE, .part = 5516, .type = 4, .source = FIRMWARE, .options = {"--part", "5516"}, .status = 1,
               .lines = {"fault: page 0x97600: in the file, not in the HEX file"}},
    SourceCase{.label = "run_of_pages_too_short", .made_from = FIRMWARE, .part = 5516, .type = 6, .source = LARGE, .status = 1,
               .lines = {"fault: pages 0x80000-0x805FF, the HEX file gives 0x80000-0x977FF", "faults: 1"}},
    SourceCase{.label = "run_of_pages_too_long", .made_from = LARGE, .part = 5516, .type = 6, .source = FIRMWARE, .status = 1,
               .lines = {"fault: pages 0x80000-0x977FF, the HEX file gives 0x80000-0x805FF"}},
    SourceCase{.label = "straddling", .made_from = STRADDLING, .part = 5510, .type = 6, .source = STRADDLING, .status = 0,
               .lines = {"source bytes in window: 16", "dropped: 0x87800-0x8780F (16 bytes)", "faults: 0"}},
    SourceCase{.label = "straddling_strict", .made_from = STRADDLING, .part = 5510, .type = 6, .source = STRADDLING, .options = {"--strict"}, .status = 1,
               .lines = {"fault: 16 source bytes outside the flash window"}},
    SourceCase{.label = "straddling_allowed", .made_from = STRADDLING, .part = 5510, .type = 6, .source = STRADDLING, .options = {"--strict", "--allow-outside"}, .status = 0,
               .lines = {"dropped: 0x87800-0x8780F (16 bytes)", "result: sound"}},
    SourceCase{.label = "given_twice", .made_from = TWICE, .part = 5516, .type = 6, .source = TWICE, .status = 0,
               .lines = {"source bytes in window: 3", "overlap: 0x80011-0x80012 (2 bytes)", "rejected: 1 line", "rejected: line 3: invalid ihex line", "faults: 0"}},
    SourceCase{.label = "given_twice_strict", .made_from = TWICE, .part = 5516, .type = 6, .source = TWICE, .options = {"--strict", "--allow-outside"}, .status = 1,
               .lines = {"fault: 2 source addresses given different values", "fault: 1 source lines rejected", "faults: 2"}},
    SourceCase{.label = "forced_base", .made_from = FORCED, .part = 5513, .type = 6, .source = LOW, .options = {"--forced-base"}, .status = 0,
               .lines = {"source addresses: forced into the flash region", "faults: 0"}},
    SourceCase{.label = "base_as_given", .made_from = FORCED, .part = 5513, .type = 6, .source = LOW, .status = 1,
               .lines = {"dropped: 0x100-0x101 (2 bytes)", "fault: pages 0x80000-0x801FF, the HEX file gives none"}},
    SourceCase{.label = "part_disagrees", .made_from = FIRMWARE, .part = 5516, .type = 6, .source = FIRMWARE, .options = {"--part", "5512"}, .status = 1,
               .lines = {"fault: --part 5512 is part code '2', the file's part-code byte is 0x36"}},
    SourceCase{.label = "type4_without_its_part", .made_from = FIRMWARE, .part = 5510, .type = 4, .source = FIRMWARE, .status = 1,
               .lines = {"fault: source not compared: the file names no part; give --part"}}),
    [](const auto &info) { return info.param.label; });
// clang-format on

// A corrupt line converts into a hole of fill that lumbrix reports as success; the check finds
// it, and under --strict fails on it, with where and why.
TEST(SourceCheck, RejectedLinesAreCountedByNumber) {
    TempFolder folder;
    std::string good = hex_data_at(0x80000, hex_bytes(16, 1)), bad = good;
    bad[bad.size() - 3] ^= 1; // the data record's checksum
    std::string hex = folder.write("fw.hex", good + std::string(1200, 'x') + "\n" + bad + END);
    Bytes file = converted(folder, folder.read("fw.hex"), 5516, 6);
    std::string qvr = folder.write("fw.qvr", file);
    Outcome r = inspect({"--source", hex, "--strict", "--allow-outside", qvr});
    EXPECT_EQ(1, r.status);
    expect_lines_in_order(r.out, {"rejected: 2 lines", "rejected: line 3: invalid ihex line",
                                  "rejected: line 5: invalid checksum",
                                  "fault: 2 source lines rejected", "faults: 1"});
}
} // namespace
