// The built lumbrix_inspect on download files written by the built lumbrix, then damaged.
#include "files.h"
#include "hex_text.h"
#include "run_program.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Bytes = std::string;

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

class RoundTrip : public testing::TestWithParam<std::tuple<std::string, int, int>> {};

TEST_P(RoundTrip, HexOutputConvertsBackToTheSameFile) {
    auto [hex, part, type] = GetParam();
    TempFolder folder;
    Bytes first = converted(folder, hex == "gapped" ? gapped_hex() : hex, part, type);
    folder.write("first.qvr", first);
    Outcome r = inspect({"--hex", folder.path("back.hex"), folder.path("first.qvr")});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ("", r.err);
    EXPECT_NE(std::string::npos, r.out.find("\nlayout: Type " + std::to_string(type) + "\n"));
    EXPECT_EQ(first, converted(folder, folder.read("back.hex"), part, type));
}

INSTANTIATE_TEST_SUITE_P(Files, RoundTrip,
                         testing::Values(std::tuple{"example", 5516, 4},
                                         std::tuple{"example", 5516, 6},
                                         std::tuple{"gapped", 5516, 4},
                                         std::tuple{"gapped", 5510, 6},
                                         std::tuple{hex_data_at(0x10, {1}), 5513, 6}));

// A Type 4 record of a page of 0xFF, with a right checksum.
Bytes type4_record(uint32_t address, uint32_t length = 512) {
    Bytes record;
    put_le(record, address, 4);
    put_le(record, length, 2);
    record.append(512, '\xFF');
    put_le(record, 0xFFFF00, 4);
    return record;
}

struct Case {
    const char *label;
    std::function<Bytes(const TempFolder &)> file; // null for no file
    std::vector<std::string> args;                 // "@" is the file
    int status;
    std::vector<std::string> lines; // of the report, in order; a trailing '*' matches a prefix
    std::string err_part = "";
};

void PrintTo(const Case &c, std::ostream *os) {
    *os << c.label;
}

class Report : public testing::TestWithParam<Case> {};

TEST_P(Report, ListsWhatTheFileHoldsAndItsFaults) {
    Case c = GetParam();
    TempFolder folder;
    if (c.file)
        folder.write("file.qvr", c.file(folder));
    for (std::string &arg : c.args)
        if (arg == "@")
            arg = folder.path("file.qvr");
    Outcome r = inspect(c.args);
    EXPECT_EQ(c.status, r.status) << r.out << r.err;
    std::string out = "\n" + r.out;
    size_t at = 0;
    for (std::string line : c.lines) {
        line = line.ends_with('*') ? line.substr(0, line.size() - 1) : line + "\n";
        at = out.find("\n" + line, at);
        ASSERT_NE(std::string::npos, at) << "no " << line << " in order in" << out;
    }
    EXPECT_NE(std::string::npos, r.err.find(c.err_part)) << r.err;
    if (c.status == 2) {
        EXPECT_EQ("", r.out);
    }
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

const Case CASES[] = {
    {"type6_pages_and_blank_runs",
     [](auto &f) { return converted(f, gapped_hex(), 5511, 6); },
     {"@"},
     0,
     {"fits: Type 6", "layout: Type 6", "part code: '1' (0x31)",
      "part: no name (console number 5511)", "flash window: 0x80000-0x877FF (30 KiB)", "records: 4",
      "checksums held: 4 of 4", "first address: 0x80000", "last address: 0x807FF",
      "pages: 0x80000-0x801FF (1 page)", "pages: 0x80200-0x803FF (1 page, only 0xFF)",
      "pages: 0x80400-0x805FF (1 page)", "pages: 0x80600-0x807FF (1 page, only 0xFF)", "faults: 0",
      "result: sound"}},
    {"type4_against_the_larger_window",
     [](auto &f) { return converted(f, gapped_hex(), 5516, 4); },
     {"@"},
     0,
     {"size: 2088 bytes", "fits: Type 4", "part: not recorded in a Type 4 file",
      "flash window: 0x80000-0x977FF (94 KiB, the larger one, as the file names no part)",
      "records: 4", "last address: 0x879FF", "pages: 0x80000-0x801FF (1 page)",
      "pages: 0x80400-0x805FF (1 page)", "pages: 0x80600-0x807FF (1 page, only 0xFF)",
      "pages: 0x87800-0x879FF (1 page)", "result: sound"}},
    {"flipped_type4",
     [](auto &f) { return flipped(f, 4); },
     {"@"},
     1,
     {"fault: record 3 at 0x80400: checksum stored 0x*", "faults: 1", "result: faulty"},
     "1 fault\n"},
    {"truncated",
     [](auto &f) { return converted(f, "example", 5516, 6).substr(0, 1 + 17 * 519 - 10); },
     {"@"},
     1,
     {"fits: neither", "layout: unknown"},
     "give --type 4 or --type 6"},
    {"truncated_as_type6",
     [](auto &f) { return converted(f, "example", 5516, 6).substr(0, 1 + 17 * 519 - 10); },
     {"--type", "6", "@"},
     1,
     {"layout: Type 6", "records: 16", "fault: record 17 truncated: 509 of 519 bytes",
      "faults: 1"}},
    {"example_type4",
     [](auto &f) { return converted(f, "example", 5516, 4); },
     {"@"},
     0,
     {"pages: 0x80000-0x807FF (4 pages)", "pages: 0x82000-0x821FF (1 page)", "result: sound"}},
    {"empty", [](auto &) { return ""; }, {"@"}, 0, {"fits: Type 4", "records: 0", "faults: 0"}},
    {"hex_to_a_full_device", // a page, which only the close finds no room for
     [](auto &f) { return converted(f, hex_data_at(0x80000, {1}), 5516, 4); },
     {"--hex", "/dev/full", "@"},
     1,
     {"faults: 0"},
     "lumbrix_inspect: cannot write /dev/full: No space left on device\n"},
    {"empty_as_type6",
     [](auto &) { return ""; },
     {"--type", "6", "@"},
     1,
     {"layout: Type 6", "records: 0", "fault: no part-code byte", "faults: 1"}},
    {"type_option_against_the_fit",
     [](auto &f) { return converted(f, "example", 5516, 6); },
     {"--type", "4", "@"},
     1,
     {"fits: Type 6", "layout: Type 4", "fault: record 1 at 0x*"},
     "fits Type 6 only; reading it as Type 4, as --type asks"},
    {"fits_neither",
     [](auto &) { return Bytes(522 * 2 + 1, '\0'); },
     {"@"},
     1,
     {"fits: neither"},
     "fits neither layout"},
    {"part_code_zero",
     [](auto &) { return Bytes(1 + 519, '\0'); },
     {"--type", "6", "@"},
     1,
     {"part code: 0x00",
      "flash window: 0x80000-0x977FF (94 KiB, the larger one, as the file names no part)",
      "fault: part-code byte 0x00 is not '0' to '6'"}},
    {"type4_fields_order_and_window",
     [](auto &) {
         return type4_record(0x80200) + type4_record(0x80000, 513) + type4_record(0x97800) +
                type4_record(0x97900);
     },
     {"--type", "4", "@"},
     1,
     {"fault: record 2 at 0x80000: length field 513, not 512",
      "fault: record 2 at 0x80000: not above the page at 0x80200",
      "fault: record 3 at 0x97800: outside the flash window 0x80000-0x977FF",
      "fault: record 4 at 0x97900: not on a page boundary", "faults: 5"}},
    {"type4_same_page_twice",
     [](auto &) { return type4_record(0x80000) + type4_record(0x80000); },
     {"@"},
     1,
     {"fault: record 2 at 0x80000: not above the page at 0x80000", "faults: 1"}},
    {"type6_count_order_and_window",
     damaged_type6,
     {"@"},
     1,
     {"part: Tarvic5514 (console number 5514)", "fault: record 2 at 0x80200: page count 2, not 1",
      "fault: record 4 at 0x80400: does not follow the page at 0x80400",
      "fault: record 5 at 0x80800: does not follow the page at 0x80400",
      "fault: record 61 at 0x87800: outside the flash window 0x80000-0x877FF", "faults: 4"}},
    {"help", nullptr, {"--help"}, 0, {"usage: lumbrix_inspect*"}},
    {"missing_file", nullptr, {"@"}, 1, {}, "cannot read"},
    {"no_file", nullptr, {}, 2, {}, "usage: lumbrix_inspect"},
    {"type_5", nullptr, {"--type", "5", "x.qvr"}, 2, {}, "usage: lumbrix_inspect"},
    {"type_without_value", nullptr, {"--type"}, 2, {}, "usage: lumbrix_inspect"},
    {"unknown_option", nullptr, {"--bogus", "x.qvr"}, 2, {}, "usage: lumbrix_inspect"},
    {"two_files", nullptr, {"a.qvr", "b.qvr"}, 2, {}, "usage: lumbrix_inspect"},
    {"type_twice", nullptr, {"--type", "4", "--type", "6", "x"}, 2, {}, "usage: lumbrix_inspect"},
    {"part_unknown", nullptr, {"--source", "a.hex", "--part", "5517", "x"}, 2, {}, "5510 to 5516"},
    {"strict_alone", nullptr, {"--strict", "x.qvr"}, 2, {}, "need --source"},
    {"source_twice",
     nullptr,
     {"--source", "a", "--source", "b", "x"},
     2,
     {},
     "usage: lumbrix_inspect"},
};

INSTANTIATE_TEST_SUITE_P(Files, Report, testing::ValuesIn(CASES),
                         [](const auto &info) { return info.param.label; });

// A download file made by lumbrix from one HEX file, checked against another (or the same).
struct SourceCase {
    const char *label;
    std::string made_from; // converted with lumbrix for `part` and `type`
    int part, type;
    int drop_record; // removed from the download file before the check; -1 for none
    std::string source;
    std::vector<std::string> options;
    int status;
    std::vector<std::string> lines; // expected in the report, in order
};

TEST(SourceCheck, ComparesTheFileWithWhatItsHexFileGives) {
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
    const SourceCase cases[] = {
        {"sound Type 4, 30 KiB",
         firmware,
         5510,
         4,
         -1,
         firmware,
         {"--part", "5510"},
         0,
         {"source part: Tarvic5510 (console number 5510)", "source bytes in window: 80",
          "source bytes outside window: 0", "faults: 0"}},
        {"sound Type 6, 94 KiB",
         large,
         5516,
         6,
         -1,
         large,
         {},
         0,
         {"source window: 0x80000-0x977FF (94 KiB)", "source bytes in window: 96"}},
        {"one byte changed",
         firmware,
         5510,
         6,
         -1,
         hex_data_at(0x80000, changed) + hex_data_at(0x80400, hex_bytes(16, 2)) + end,
         {},
         1,
         {"fault: page 0x80000: byte 0x80005 stored 0x24, expected 0x00", "faults: 1"}},
        {"page missing",
         firmware,
         5510,
         4,
         1,
         firmware,
         {"--part", "5510"},
         1,
         {"fault: page 0x80400: in the HEX file, missing from the file", "faults: 1"}},
        {"page not in the HEX file",
         large,
         5516,
         4,
         -1,
         firmware,
         {"--part", "5516"},
         1,
         {"fault: page 0x97600: in the file, not in the HEX file"}},
        {"run of pages too short",
         firmware,
         5516,
         6,
         -1,
         large,
         {},
         1,
         {"fault: pages 0x80000-0x805FF, the HEX file gives 0x80000-0x977FF", "faults: 1"}},
        {"run of pages too long",
         large,
         5516,
         6,
         -1,
         firmware,
         {},
         1,
         {"fault: pages 0x80000-0x977FF, the HEX file gives 0x80000-0x805FF"}},
        {"straddling the window",
         straddling,
         5510,
         6,
         -1,
         straddling,
         {},
         0,
         {"source bytes in window: 16", "dropped: 0x87800-0x8780F (16 bytes)", "faults: 0"}},
        {"straddling, strict",
         straddling,
         5510,
         6,
         -1,
         straddling,
         {"--strict"},
         1,
         {"fault: 16 source bytes outside the flash window"}},
        {"given twice",
         twice,
         5516,
         6,
         -1,
         twice,
         {},
         0,
         {"source bytes in window: 3", "overlap: 0x80011-0x80012 (2 bytes)", "faults: 0"}},
        {"given twice, strict",
         twice,
         5516,
         6,
         -1,
         twice,
         {"--strict"},
         1,
         {"fault: 2 source addresses given different values"}},
        {"forced base",
         forced,
         5513,
         6,
         -1,
         low,
         {"--forced-base"},
         0,
         {"source addresses: forced into the flash region", "faults: 0"}},
        {"base as given",
         forced,
         5513,
         6,
         -1,
         low,
         {},
         1,
         {"dropped: 0x100-0x101 (2 bytes)",
          "fault: pages 0x80000-0x801FF, the HEX file gives none"}},
        {"part disagrees",
         firmware,
         5516,
         6,
         -1,
         firmware,
         {"--part", "5512"},
         1,
         {"fault: --part 5512 is part code '2', the file's part-code byte is 0x36"}},
        {"Type 4 without its part",
         firmware,
         5510,
         4,
         -1,
         firmware,
         {},
         1,
         {"fault: source not compared: the file names no part; give --part"}},
    };
    for (const SourceCase &c : cases) {
        SCOPED_TRACE(c.label);
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
        size_t at = 0;
        for (const std::string &line : c.lines) {
            at = r.out.find(line + "\n", at);
            ASSERT_NE(std::string::npos, at) << "no " << line << " in order in\n" << r.out;
        }
        // The reader's bad lines are reported once, as lumbrix reports them.
        bool junk = c.source.find("junk") != std::string::npos;
        EXPECT_EQ(junk,
                  r.err.find("ERROR: Found invalid ihex line <junk\n>\n") != std::string::npos);
        EXPECT_EQ(r.err.find("ERROR:"), r.err.rfind("ERROR:")) << r.err;
        EXPECT_EQ(file, folder.read("file.qvr")) << "the download file is never modified";
        EXPECT_EQ(c.source, folder.read("source.hex")) << "nor the HEX file";
    }
}

} // namespace
