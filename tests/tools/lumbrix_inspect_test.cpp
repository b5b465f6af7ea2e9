// The built lumbrix_inspect on download files written by the built lumbrix, then damaged.
#include "files.h"
#include "hex_text.h"
#include "run_program.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Bytes = std::string;

const std::string EXAMPLE = read_file(EXAMPLE_HEX);
const std::string END = hex_record(0x01, 0, {});
// Pages 0x80000, 0x80400 and 0x87800 hold data, 0x80600 only the byte 0xFF.
const std::string GAPPED = hex_data_at(0x80001, {0x00}) + hex_data_at(0x80400, {0x34}) +
                           hex_data_at(0x80600, {0xFF}) + hex_data_at(0x87800, {0x12});
const std::string FIRMWARE_DATA =
    hex_data_at(0x80000, hex_bytes(64, 1)) + hex_data_at(0x80400, hex_bytes(16, 2));
const std::string FIRMWARE = FIRMWARE_DATA + END;
const std::string CHANGED = FIRMWARE_DATA + hex_data_at(0x80005, {0}) + END; // later bytes win
const std::string LARGE = hex_data_at(0x97700, hex_bytes(16, 4)) + FIRMWARE;
const std::string STRADDLING = hex_data_at(0x877F0, hex_bytes(32, 3)) + END;
const std::string TWICE =
    hex_data_at(0x80010, {1, 2, 3}) + "junk\n" + hex_data_at(0x80010, {1, 9, 9}) + END;
// What the dialog program reads as 0x80100, because it forces the flash region.
const std::string LOW = hex_record(0x04, 0, {0, 0}) + hex_record(0, 0x100, {1, 2}) + END;
const std::string FORCED = hex_record(0x04, 0, {0, 8}) + hex_record(0, 0x100, {1, 2}) + END;
// A line too long to read at once and a record whose checksum fails: holes lumbrix fills.
const std::string REJECTED = hex_data_at(0x80000, hex_bytes(16, 1)) + std::string(1200, 'x') +
                             "\n" + hex_record(0x04, 0, {0, 8}) + ":0100000001FF\n" + END;
// Text the converter reads past without a word: a record after another on one line, after a
// zero, or after a line feed and a return; and a zero that hides two line ends.
const std::string ELA = hex_record(0x04, 0, {0, 8});
const std::string FIRST = hex_record(0, 0, hex_bytes(16, 1));
const std::string SECOND = hex_record(0, 0x10, hex_bytes(16, 2));
const std::string ON_ONE_LINE = ELA + FIRST.substr(0, FIRST.size() - 1) + SECOND + END;
const std::string AFTER_A_ZERO = ELA + FIRST + std::string(1, '\0') + SECOND + END;
const std::string LINE_FEED_RETURN = ELA + FIRST + "\r" + SECOND + END;
const std::string TRAILING_BLANKS =
    ELA + FIRST.substr(0, FIRST.size() - 1) + " \t\r\n\r\n" + SECOND + END;
const std::string QUOTED = ELA + FIRST.substr(0, FIRST.size() - 1) + " \"a\\b\x80\x01\"\n" + END;
// More runs of bytes outside the window, and more rejected lines, than the JSON lists.
const std::string MANY_LOST = [] {
    std::string hex;
    for (uint16_t at = 0; at < 2200; at += 2)
        hex += hex_record(0, at, {1}) + "junk\n";
    return hex;
}();
const std::string HIDDEN_LINE_ENDS = ELA + FIRST + "junk" + std::string(1, '\0') + "\nmore\n" + END;
// A zero that ends the first piece of a long line, then a shorter last line without its end.
const std::string ZERO_THEN_SHORTER = ELA + FIRST.substr(0, FIRST.size() - 1) +
                                      std::string(979, 'y') + std::string(1, '\0') + "x\n" +
                                      END.substr(0, END.size() - 1);
// The download file lumbrix writes from `hex`.
Bytes converted(const TempFolder &folder, const std::string &hex, int part, int type) {
    Outcome outcome =
        run_program({LUMBRIX_PROGRAM, folder.write("in.hex", hex), folder.path("made.qvr"),
                     std::to_string(part), std::to_string(type)});
    EXPECT_EQ(0, outcome.status) << outcome.err;
    return folder.read("made.qvr");
}

using MakeFile = std::function<Bytes(const TempFolder &)>;

MakeFile made(const std::string &hex, int part, int type) {
    return [=](const TempFolder &folder) { return converted(folder, hex, part, type); };
}

Outcome inspect(std::vector<std::string> args) {
    args.insert(args.begin(), INSPECT_PROGRAM);
    return run_program(args);
}

// A Type 4 record of a page of 0xFF, with a right checksum.
Bytes type4_record(uint32_t address, uint32_t length = 512) {
    Bytes record;
    put_le(record, address, 4);
    put_le(record, length, 2);
    record.append(512, '\xFF');
    put_le(record, 0xFFFF00, 4);
    return record;
}

// Pages whose checksums all fail.
MakeFile bad_checksums(uint32_t pages) {
    return [=](const TempFolder &) {
        Bytes file;
        for (uint32_t page = 0; page < pages; ++page)
            file += type4_record(0x80000 + 512 * page).replace(518, 4, 4, '\0');
        return file;
    };
}

// A 30 KiB part's file with a record of two pages, a gap, and a page past its window.
Bytes damaged_type6(const TempFolder &folder) {
    Bytes file = converted(folder, GAPPED, 5516, 6);
    file[0] = '4';
    file[1 + 519 * 3] = 0x02; // record 4: page 0x402, not 0x403
    file[1 + 519 + 2] = 2;    // record 2: two pages
    return file;
}

// Each line in order, each at the start of a line of `out`; lines joined by '\n' must follow
// each other, and a trailing '*' matches a prefix.
void expect_lines_in_order(const std::string &out, const std::vector<std::string> &lines) {
    std::string text = "\n" + out;
    size_t at = 0;
    for (std::string line : lines) {
        line = line.ends_with('*') ? line.substr(0, line.size() - 1) : line + "\n";
        at = text.find("\n" + line, at);
        ASSERT_NE(std::string::npos, at) << "no " << line << " in order in" << out;
    }
}

// The arguments ("~/" is the folder of file.qvr and source.hex, which holds a link to each, and
// to.hex, a link through sub/ to out.hex, which is not there) and what comes of them. Arguments
// that begin with "sh" are a shell's, with the program as $0. A row prints as its label.
struct Case {
    friend void PrintTo(const Case &c, std::ostream *os) { *os << c.label; }
    const char *label;
    MakeFile file = nullptr;
    std::vector<std::string> args;
    std::string source = "";
    int status;
    std::vector<std::string> lines = {}; // of the report, in order
    std::string err = "";                // part of standard error, there once
    std::string written = "";            // how out.hex begins; empty: there is none
};

class Inspect : public testing::TestWithParam<Case> {};

TEST_P(Inspect, ReportsWhatTheFileHoldsAndItsFaults) {
    Case c = GetParam();
    TempFolder folder;
    fs::create_symlink(folder.write("file.qvr", c.file ? c.file(folder) : ""),
                       folder.path("link.qvr"));
    fs::create_hard_link(folder.write("source.hex", c.source), folder.path("hard.hex"));
    fs::create_directory(folder.path("sub"));
    fs::create_symlink("sub/to.hex", folder.path("to.hex"));
    fs::create_symlink("../out.hex", folder.path("sub/to.hex"));
    Bytes file = folder.read("file.qvr");
    for (std::string &arg : c.args)
        for (size_t at; (at = arg.find("~/")) != std::string::npos;)
            arg.replace(at, 2, folder.path(""));
    Outcome r =
        c.args[0] == "sh" ? run_program({"sh", "-c", c.args[1], INSPECT_PROGRAM}) : inspect(c.args);
    EXPECT_EQ(c.status, r.status) << r.out << r.err;
    EXPECT_EQ(c.status == 2 && c.lines.empty(), r.out.empty()) << "a report, unless in trouble";
    expect_lines_in_order(r.out, c.lines);
    EXPECT_NE(std::string::npos, r.err.find(c.err)) << r.err;
    EXPECT_TRUE(c.err.empty() || r.err.find(c.err) == r.err.rfind(c.err)) << r.err;
    EXPECT_EQ(file, folder.read("file.qvr"));
    EXPECT_TRUE(fs::is_symlink(folder.path("to.hex")) && fs::is_symlink(folder.path("sub/to.hex")));
    for (const auto &entry : fs::recursive_directory_iterator(folder.dir))
        EXPECT_FALSE(entry.path().string().ends_with(".tmp0")) << "a temporary stayed";
    if (c.written.empty())
        EXPECT_FALSE(fs::exists(folder.path("out.hex")));
    else
        EXPECT_TRUE(folder.read("out.hex").starts_with(c.written)) << folder.read("out.hex");
    if (c.args[0] == "sh" || !r.out.starts_with("file: "))
        return;
    // The same facts in JSON, under a name that JSON must escape.
    std::string named = folder.path("q\"\x01.qvr");
    fs::create_symlink("file.qvr", named);
    std::replace(c.args.begin(), c.args.end(), folder.path("file.qvr"), named);
    Outcome text = inspect(c.args);
    c.args.push_back("--json");
    Outcome json = inspect(c.args);
    EXPECT_EQ(text.status, json.status);
    Outcome back = run_program({"python3", JSON_AS_TEXT, folder.write("report.json", json.out)});
    EXPECT_EQ(text.out, back.out) << json.out << back.err;
}

// One row a case, its report lines on the second.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, Inspect, testing::Values(
    Case{.label = "type6_pages_and_blank_runs", .file = made(GAPPED, 5511, 6), .args = {"~/file.qvr"}, .status = 0,
         .lines = {"fits: Type 6", "layout: Type 6", "part code: '1' (0x31)", "part: no name (console number 5511)", "flash window: 0x80000-0x877FF (30 KiB)", "records: 4", "checksums held: 4 of 4", "first address: 0x80000", "last address: 0x807FF", "pages: 0x80000-0x801FF (1 page)", "pages: 0x80200-0x803FF (1 page, only 0xFF)", "pages: 0x80400-0x805FF (1 page)", "pages: 0x80600-0x807FF (1 page, only 0xFF)", "faults: 0", "result: sound"}},
    Case{.label = "type4_against_the_larger_window", .file = made(GAPPED, 5516, 4), .args = {"~/file.qvr"}, .status = 0,
         .lines = {"size: 2088 bytes", "fits: Type 4", "part: not recorded in a Type 4 file", "flash window: 0x80000-0x977FF (94 KiB, the larger one, as the file names no part)", "records: 4", "last address: 0x879FF", "pages: 0x80000-0x801FF (1 page)", "pages: 0x80600-0x807FF (1 page, only 0xFF)", "pages: 0x87800-0x879FF (1 page)", "result: sound"}},
    Case{.label = "example_type4", .file = made(EXAMPLE, 5516, 4), .args = {"~/file.qvr"}, .status = 0,
         .lines = {"pages: 0x80000-0x807FF (4 pages)", "pages: 0x82000-0x821FF (1 page)", "result: sound"}},
    Case{.label = "faults_of_a_kind_all_shown", .file = bad_checksums(8), .args = {"~/file.qvr"}, .status = 1,
         .lines = {"checksums held: 0 of 8", "fault: record 8 at 0x80E00: checksum stored 0x0, computed 0xFFFF00\nfaults: 8", "result: faulty"}, .err = "8 faults\n"},
    Case{.label = "faults_of_a_kind_one_more", .file = bad_checksums(9), .args = {"~/file.qvr"}, .status = 1,
         .lines = {"fault: record 8 at 0x80E00: checksum stored 0x0, computed 0xFFFF00\nfault: 1 more record whose checksum fails\nfaults: 9"}},
    Case{.label = "truncated", .file = [](auto &f) { return converted(f, EXAMPLE, 5516, 6).substr(0, 1 + 17 * 519 - 10); }, .args = {"~/file.qvr"}, .status = 1,
         .lines = {"fits: neither", "layout: unknown", "fault: layout unknown: give --type 4 or --type 6"}, .err = "fits neither layout; give --type 4 or --type 6"},
    Case{.label = "truncated_as_type6", .file = [](auto &f) { return converted(f, EXAMPLE, 5516, 6).substr(0, 1 + 17 * 519 - 10); }, .args = {"--type", "6", "~/file.qvr"}, .status = 1,
         .lines = {"layout: Type 6", "records: 16", "fault: record 17 truncated: 509 of 519 bytes", "faults: 1"}, .err = ": 1 fault\n"},
    Case{.label = "empty_is_not_sound", .file = [](auto &) { return Bytes(""); }, .args = {"~/file.qvr"}, .status = 0,
         .lines = {"fits: Type 4", "records: 0", "pages: none", "faults: 0", "result: empty"}},
    Case{.label = "empty_strict", .file = made(hex_data_at(0x10, {1}), 5516, 6), .args = {"--strict", "~/file.qvr"}, .status = 1,
         .lines = {"records: 0", "fault: the file holds no pages", "result: faulty"}},
    Case{.label = "empty_as_type6", .file = [](auto &) { return Bytes(""); }, .args = {"--type", "6", "~/file.qvr"}, .status = 1,
         .lines = {"layout: Type 6", "records: 0", "fault: no part-code byte", "faults: 1"}},
    Case{.label = "type_option_against_the_fit", .file = made(EXAMPLE, 5516, 6), .args = {"--type", "4", "~/file.qvr"}, .status = 1,
         .lines = {"fits: Type 6", "layout: Type 4", "fault: record 1 at 0x*"}, .err = "fits Type 6 only; reading it as Type 4, as --type asks"},
    Case{.label = "length_fields_fit_neither", .file = [](auto &) { return type4_record(0x80000) + type4_record(0x80200, 511); }, .args = {"~/file.qvr"}, .status = 1,
         .lines = {"fits: neither", "layout: unknown"}, .err = "fits neither layout"},
    Case{.label = "part_code_zero", .file = [](auto &) { return Bytes(1 + 519, '\0'); }, .args = {"--type", "6", "~/file.qvr"}, .status = 1,
         .lines = {"part code: 0x00", "flash window: 0x80000-0x977FF (94 KiB, the larger one, as the file names no part)", "fault: part-code byte 0x00 is not '0' to '6'"}},
    Case{.label = "type4_beginning_with_a_part_code", .file = [](auto &) { return Bytes(type4_record(0x80031)); }, .args = {"~/file.qvr"}, .status = 1,
         .lines = {"fits: Type 4", "layout: Type 4", "fault: record 1 at 0x80031: not on a page boundary"}},
    Case{.label = "type4_page_given_twice", .file = [](auto &) { return Bytes(type4_record(0x80000) + type4_record(0x80000)); }, .args = {"--type", "4", "~/file.qvr"}, .status = 1,
         .lines = {"fault: record 2 at 0x80000: not above the page at 0x80000", "faults: 1"}},
    Case{.label = "type4_fields_order_and_window", .file = [](auto &) { return Bytes(type4_record(0x80200) + type4_record(0x80000, 513) + type4_record(0x97800) + type4_record(0x97900)); }, .args = {"--type", "4", "~/file.qvr"}, .status = 1,
         .lines = {"fault: record 2 at 0x80000: length field 513, not 512", "fault: record 2 at 0x80000: not above the page at 0x80200", "fault: record 3 at 0x97800: outside the flash window 0x80000-0x977FF", "fault: record 4 at 0x97900: not on a page boundary", "faults: 5"}},
    Case{.label = "type6_count_order_and_window", .file = damaged_type6, .args = {"~/file.qvr"}, .status = 1,
         .lines = {"part: Tarvic5514 (console number 5514)", "fault: record 2 at 0x80200: page count 2, not 1", "fault: record 4 at 0x80400: does not follow the page at 0x80400", "fault: record 5 at 0x80800: does not follow the page at 0x80400", "fault: record 61 at 0x87800: outside the flash window 0x80000-0x877FF", "faults: 4"}},
    Case{.label = "hex_to_a_full_device", .file = made(hex_data_at(0x80000, {1}), 5516, 4), .args = {"--hex", "/dev/full", "~/file.qvr"}, .status = 2,
         .lines = {"faults: 0"}, .err = "lumbrix_inspect: cannot write /dev/full: No space left on device\n"},
    Case{.label = "source_sound_type4_30K", .file = made(FIRMWARE, 5510, 4), .args = {"--part", "5510", "--source", "~/source.hex", "~/file.qvr"}, .source = FIRMWARE, .status = 0,
         .lines = {"source part: Tarvic5510 (console number 5510)", "source bytes in window: 80", "source bytes outside window: 0\nrejected: 0 lines", "faults: 0"}},
    Case{.label = "source_sound_type6_94K", .file = made(LARGE, 5516, 6), .args = {"--source", "~/source.hex", "~/file.qvr"}, .source = LARGE, .status = 0,
         .lines = {"source window: 0x80000-0x977FF (94 KiB)", "source bytes in window: 96"}},
    Case{.label = "source_one_byte_changed", .file = made(FIRMWARE, 5510, 6), .args = {"--source", "~/source.hex", "~/file.qvr"}, .source = CHANGED, .status = 1,
         .lines = {"fault: page 0x80000: byte 0x80005 stored 0x24, expected 0x00", "faults: 1"}},
    Case{.label = "source_page_missing", .file = [](auto &f) { return converted(f, FIRMWARE, 5510, 4).erase(522, 522); }, .args = {"--part", "5510", "--source", "~/source.hex", "~/file.qvr"}, .source = FIRMWARE, .status = 1,
         .lines = {"fault: page 0x80400: in the HEX file, missing from the file", "faults: 1"}},
    Case{.label = "source_page_not_in_the_hex_file", .file = made(LARGE, 5516, 4), .args = {"--part", "5516", "--source", "~/source.hex", "~/file.qvr"}, .source = FIRMWARE, .status = 1,
         .lines = {"fault: page 0x97600: in the file, not in the HEX file"}},
    Case{.label = "source_page_off_its_boundary", .file = [](auto &) { return Bytes(type4_record(0x80100)); }, .args = {"--source", "~/source.hex", "--part", "5516", "~/file.qvr"}, .source = EXAMPLE, .status = 1,
         .lines = {"fault: page 0x80100: in the file, not in the HEX file"}},
    Case{.label = "source_run_of_pages_too_short", .file = made(FIRMWARE, 5516, 6), .args = {"--source", "~/source.hex", "~/file.qvr"}, .source = LARGE, .status = 1,
         .lines = {"fault: pages 0x80000-0x805FF, the HEX file gives 0x80000-0x977FF", "faults: 1"}},
    Case{.label = "source_straddling_strict", .file = made(STRADDLING, 5510, 6), .args = {"--strict", "--source", "~/source.hex", "~/file.qvr"}, .source = STRADDLING, .status = 1,
         .lines = {"source bytes in window: 16", "dropped: 0x87800-0x8780F (16 bytes)", "fault: 16 source bytes outside the flash window"}},
    Case{.label = "source_straddling_allowed", .file = made(STRADDLING, 5510, 6), .args = {"--strict", "--allow-outside", "--source", "~/source.hex", "~/file.qvr"}, .source = STRADDLING, .status = 0,
         .lines = {"dropped: 0x87800-0x8780F (16 bytes)", "result: sound"}},
    Case{.label = "source_given_twice", .file = made(TWICE, 5516, 6), .args = {"--source", "~/source.hex", "~/file.qvr"}, .source = TWICE, .status = 0,
         .lines = {"source bytes in window: 3", "overlap: 0x80011-0x80012 (2 bytes)", "rejected: 1 line", "rejected: line 3: invalid ihex line", "faults: 0"}, .err = "ERROR: Found invalid ihex line <junk\n>\n"},
    Case{.label = "source_given_twice_strict", .file = made(TWICE, 5516, 6), .args = {"--strict", "--allow-outside", "--source", "~/source.hex", "~/file.qvr"}, .source = TWICE, .status = 1,
         .lines = {"fault: 2 source addresses given different values", "fault: 1 source line rejected", "faults: 2"}},
    Case{.label = "source_lines_rejected_by_number", .file = made(REJECTED, 5516, 6), .args = {"--strict", "--allow-outside", "--source", "~/source.hex", "~/file.qvr"}, .source = REJECTED, .status = 1,
         .lines = {"rejected: 2 lines", "rejected: line 3: invalid ihex line", "rejected: line 5: invalid checksum", "fault: 2 source lines rejected", "faults: 1"}},
    Case{.label = "source_lines_rejected_after_a_zero", .file = made(HIDDEN_LINE_ENDS, 5516, 6), .args = {"--source", "~/source.hex", "~/file.qvr"}, .source = HIDDEN_LINE_ENDS, .status = 0,
         .lines = {"rejected: 2 lines\nrejected: line 3: invalid ihex line\nrejected: line 4: invalid ihex line\nunread: 0 lines"}},
    Case{.label = "source_more_lost_than_json_lists", .file = made(MANY_LOST, 5516, 6), .args = {"--source", "~/source.hex", "~/file.qvr"}, .source = MANY_LOST, .status = 0,
         .lines = {"dropped: 1092 more runs\nrejected: 1100 lines"}},
    Case{.label = "source_one_run_more_than_shown", .file = made(MANY_LOST.substr(0, 9 * 19), 5516, 6), .args = {"--source", "~/source.hex", "~/file.qvr"}, .source = MANY_LOST.substr(0, 9 * 19), .status = 0,
         .lines = {"dropped: 1 more run\nrejected: 9 lines"}},
    Case{.label = "source_two_records_on_one_line_strict", .file = made(ON_ONE_LINE, 5516, 6), .args = {"--strict", "--source", "~/source.hex", "~/file.qvr"}, .source = ON_ONE_LINE, .status = 1,
         .lines = {"source bytes in window: 16", "unread: 1 line\nunread: line 2: \":10001000*", "fault: 1 source line with text not read", "faults: 1"}},
    Case{.label = "source_record_after_a_zero_strict", .file = made(AFTER_A_ZERO, 5516, 6), .args = {"--strict", "--source", "~/source.hex", "~/file.qvr"}, .source = AFTER_A_ZERO, .status = 1,
         .lines = {"source bytes in window: 16", "unread: line 3: \"\\x00:10001000*", "faults: 1"}},
    Case{.label = "source_zero_then_a_shorter_last_line", .file = made(ZERO_THEN_SHORTER, 5516, 6), .args = {"--source", "~/source.hex", "~/file.qvr"}, .source = ZERO_THEN_SHORTER, .status = 0,
         .lines = {"source bytes in window: 16", "rejected: 1 line", "unread: 1 line\nunread: line 2: \"yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy\"...\nfaults: 0"}},
    Case{.label = "source_line_feed_then_return_strict", .file = made(LINE_FEED_RETURN, 5516, 6), .args = {"--strict", "--source", "~/source.hex", "~/file.qvr"}, .source = LINE_FEED_RETURN, .status = 1,
         .lines = {"unread: line 3: \"\\x0D:10001000*", "faults: 1"}},
    Case{.label = "source_trailing_white_space_strict", .file = made(TRAILING_BLANKS, 5516, 6), .args = {"--strict", "--source", "~/source.hex", "~/file.qvr"}, .source = TRAILING_BLANKS, .status = 0,
         .lines = {"source bytes in window: 32", "rejected: 0 lines\nunread: 0 lines\nfaults: 0", "result: sound"}},
    Case{.label = "source_text_after_a_record_escaped", .file = made(QUOTED, 5516, 6), .args = {"--source", "~/source.hex", "~/file.qvr"}, .source = QUOTED, .status = 0,
         .lines = {"unread: 1 line\nunread: line 2: \" \\\"a\\\\b\\x80\\x01\\\"\"\nfaults: 0"}},
    Case{.label = "source_forced_base", .file = made(FORCED, 5513, 6), .args = {"--forced-base", "--source", "~/source.hex", "~/file.qvr"}, .source = LOW, .status = 0,
         .lines = {"source addresses: forced into the flash region", "faults: 0"}},
    Case{.label = "source_base_as_given", .file = made(FORCED, 5513, 6), .args = {"--source", "~/source.hex", "~/file.qvr"}, .source = LOW, .status = 1,
         .lines = {"dropped: 0x100-0x101 (2 bytes)", "fault: pages 0x80000-0x801FF, the HEX file gives none"}},
    Case{.label = "source_part_disagrees", .file = made(FIRMWARE, 5516, 6), .args = {"--part", "5512", "--source", "~/source.hex", "~/file.qvr"}, .source = FIRMWARE, .status = 1,
         .lines = {"fault: --part 5512 is part code '2', the file's part-code byte is 0x36"}},
    Case{.label = "source_page_past_the_largest_window", .file = [](auto &f) { return converted(f, FIRMWARE, 5516, 4) + type4_record(0x97800); }, .args = {"--part", "5516", "--source", "~/source.hex", "~/file.qvr"}, .source = FIRMWARE, .status = 1,
         .lines = {"fault: page 0x97800: in the file, not in the HEX file"}},
    Case{.label = "source_type4_without_its_part", .file = made(FIRMWARE, 5510, 4), .args = {"--source", "~/source.hex", "~/file.qvr"}, .source = FIRMWARE, .status = 1,
         .lines = {"fault: source not compared: the file names no part; give --part"}},
    Case{.label = "hex_to_standard_output", .file = made(hex_data_at(0x80000, {1}), 5516, 4), .args = {"--hex", "-", "~/file.qvr"}, .status = 0,
         .lines = {":020000040008F2", ":00000001FF"}, .err = "faults: 0\nresult: sound\n"},
    Case{.label = "hex_to_the_file_of_standard_output", .file = made(hex_data_at(0x80000, {1}), 5516, 4), .args = {"--hex", "/dev/fd/1", "~/file.qvr"}, .status = 0,
         .lines = {":020000040008F2", ":00000001FF"}, .err = "result: sound\n"},
    Case{.label = "hex_through_links_to_a_new_file", .file = made(hex_data_at(0x80000, {1}), 5516, 4), .args = {"--hex", "~/to.hex", "~/file.qvr"}, .status = 0,
         .lines = {"result: sound"}, .written = ":020000040008F2\n:20000000"},
    Case{.label = "hex_through_links_in_a_circle", .args = {"sh", "ln -s loop.hex ~/loop.hex; \"$0\" --hex ~/loop.hex ~/file.qvr"}, .status = 2, .err = "loop.hex: Too many levels of symbolic links\n"},
    Case{.label = "file_missing", .args = {"~/missing.qvr"}, .status = 2, .err = "missing.qvr: No such file or directory\n"},
    Case{.label = "length_field_fits_neither_from_a_pipe", .file = [](auto &) { return type4_record(0x80030) + type4_record(0x80230, 511); }, .args = {"sh", "cat ~/file.qvr | \"$0\" /dev/stdin"}, .status = 1,
         .lines = {"fits: neither\nlayout: unknown"}},
    Case{.label = "hex_from_pages_misread_from_a_pipe", .file = [](auto &) { return type4_record(0x80030); }, .args = {"sh", "cat ~/file.qvr | \"$0\" --hex ~/out.hex /dev/stdin"}, .status = 1,
         .lines = {"fits: Type 4\nlayout: unknown"}, .err = "out.hex not written: the layout is unknown\n"},
    Case{.label = "hex_not_written_over_an_older_one", .file = [](auto &) { return Bytes("neither"); }, .args = {"sh", "echo older > ~/out.hex; \"$0\" --hex ~/out.hex ~/file.qvr"}, .status = 1,
         .lines = {"layout: unknown"}, .err = "out.hex not written: the layout is unknown\n", .written = "older\n"},
    Case{.label = "hex_to_a_standard_output_that_is_the_file", .file = made(hex_data_at(0x80000, {1}), 5516, 4), .args = {"sh", "\"$0\" --hex - ~/file.qvr >> ~/file.qvr"}, .status = 2, .err = "--hex - would overwrite"},
    Case{.label = "hex_onto_a_link_to_the_file", .args = {"--hex", "~/link.qvr", "~/file.qvr"}, .status = 2, .err = "would overwrite"},
    Case{.label = "hex_onto_a_hard_link_to_the_source", .args = {"--source", "~/source.hex", "--hex", "~/hard.hex", "~/file.qvr"}, .status = 2, .err = "would overwrite"},
    Case{.label = "help", .args = {"--help"}, .status = 0, .lines = {"usage: lumbrix_inspect*"}},
    Case{.label = "usage_no_file", .args = {"--strict"}, .status = 2, .err = "lumbrix_inspect: no file to inspect\nusage:"},
    Case{.label = "usage_type_5", .args = {"--type", "5", "x"}, .status = 2, .err = "lumbrix_inspect: --type takes 4 or 6, not \"5\"\nusage:"},
    Case{.label = "usage_two_files", .args = {"a", "b"}, .status = 2, .err = "lumbrix_inspect: more than one file: b\nusage:"},
    Case{.label = "usage_given_twice", .args = {"--strict", "x", "--strict"}, .status = 2, .err = "lumbrix_inspect: --strict given twice\nusage:"},
    Case{.label = "usage_unknown_option", .args = {"--bogus", "x"}, .status = 2, .err = "lumbrix_inspect: unknown option --bogus\nusage: lumbrix_inspect"},
    Case{.label = "usage_without_value", .args = {"--type"}, .status = 2, .err = "lumbrix_inspect: --type needs a value\nusage:"},
    Case{.label = "usage_part_unknown", .args = {"--source", "a", "--part", "5517", "x"}, .status = 2, .err = "--part takes a console number 5510 to 5516, not \"5517\"\nusage:"},
    Case{.label = "usage_part_with_more_than_a_number", .args = {"--source", "a", "--part", "5510x", "x"}, .status = 2, .err = "--part takes a console number 5510 to 5516, not \"5510x\"\nusage:"},
    Case{.label = "usage_part_without_source", .args = {"--part", "5510", "x"}, .status = 2, .err = "--part, --forced-base and --allow-outside need --source\nusage:"},
    Case{.label = "usage_forced_base_without_source", .args = {"--forced-base", "x"}, .status = 2, .err = "--part, --forced-base and --allow-outside need --source\nusage:"},
    Case{.label = "usage_allow_outside_without_source", .args = {"--strict", "--allow-outside", "x"}, .status = 2, .err = "--part, --forced-base and --allow-outside need --source\nusage:"},
    Case{.label = "usage_allow_outside_alone", .args = {"--source", "a", "--allow-outside", "x"}, .status = 2, .err = "--allow-outside needs --strict\nusage:"}),
    [](const auto &info) { return info.param.label; });
// clang-format on

struct RoundTripCase {
    friend void PrintTo(const RoundTripCase &c, std::ostream *os) { *os << c.label; }
    const char *label;
    std::string hex;
    int part, type;
};

class RoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, HexOutputConvertsBackToTheSameFile) {
    const RoundTripCase &c = GetParam();
    TempFolder folder;
    std::string qvr = folder.write("first.qvr", converted(folder, c.hex, c.part, c.type));
    EXPECT_EQ(0, inspect({"--hex", folder.path("back.hex"), qvr}).status);
    EXPECT_EQ(folder.read("first.qvr"), converted(folder, folder.read("back.hex"), c.part, c.type));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, RoundTrip, testing::Values(
    RoundTripCase{.label = "example_type6", .hex = EXAMPLE, .part = 5516, .type = 6},
    RoundTripCase{.label = "gapped_type4", .hex = GAPPED, .part = 5516, .type = 4},
    RoundTripCase{.label = "pages_either_side_of_0x90000_type4", .hex = hex_data_at(0x8FE00, {1}) + hex_data_at(0x97600, {2}), .part = 5516, .type = 4},
    RoundTripCase{.label = "pages_either_side_of_0x90000_type6", .hex = hex_data_at(0x8FE00, {1}) + hex_data_at(0x97600, {2}), .part = 5512, .type = 6},
    RoundTripCase{.label = "outside_the_window", .hex = hex_data_at(0x10, {1}), .part = 5513, .type = 6}),
    [](const auto &info) { return info.param.label; });
// clang-format on

// A record never runs past the 64 KiB its address record opens, even off a page boundary.
TEST(HexOutput, RecordsStopAtTheEndOfTheirAddressRange) {
    TempFolder folder;
    inspect({"--hex", folder.path("out.hex"), folder.write("file.qvr", type4_record(0x8FFF0))});
    expect_lines_in_order(folder.read("out.hex"),
                          {":020000040008F2", ":10FFF000*", ":020000040009F1", ":20000000*"});
}

// Leftovers of earlier runs are not written over, nor sought without end.
TEST(HexOutput, StepsOverLeftoversButFailsWhenNoTemporaryNameIsFree) {
    TempFolder folder;
    for (int n = 0; n < 99; ++n)
        folder.write("out.hex.tmp" + std::to_string(n), "leftover");
    const std::string file = folder.write("file.qvr", "");
    EXPECT_EQ(0, inspect({"--hex", folder.path("out.hex"), file}).status);
    EXPECT_EQ(":00000001FF\n", folder.read("out.hex"));
    EXPECT_EQ("leftover", folder.read("out.hex.tmp0"));
    fs::remove(folder.path("out.hex"));
    folder.write("out.hex.tmp99", "leftover");
    Outcome r = inspect({"--hex", folder.path("out.hex"), file});
    EXPECT_EQ(2, r.status);
    EXPECT_NE(std::string::npos, r.err.find("cannot write " + folder.path("out.hex"))) << r.err;
    EXPECT_FALSE(fs::exists(folder.path("out.hex")));
}
} // namespace
