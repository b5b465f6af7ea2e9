// The lumbrix program as a user runs it: what it prints, where, its exit status and its file.
// LUMBRIX_PROGRAM and LUMBRIX_RUNNER (e.g. wine) point the same cases at another build, and
// LUMBRIX_INSPECT at the lumbrix_inspect that comes with it.
#include "files.h"
#include "hex_model.h"
#include "hex_text.h"
#include "run_program.h"

#include <gtest/gtest.h>

namespace {

const std::string BANNER = "\n>>  Program:  Lumbrix\n>>  Version:  3.0.2\n"
                           ">>  Date:     14.March.2008\n>>  Email:    lin-support@korvane.com\n\n";
const std::string USAGE = "ERROR  : Incorrect number of parameters\n"
                          "Syntax : Lumbrix <input hex file> <output binary file> <part> "
                          "<protocol>\n"
                          "Example: Lumbrix C:\\sample.hex C:\\sample.qvr 5516 4\n\n";
const std::string SUCCEEDED = ">>  Conversion Succeeded\n\n";
const std::string FAILED = "ERROR  : Conversion Failed\n\n";
const std::string BAD_PART = "ERROR  : Unrecognised <part> Parameter: ";
const std::string BAD_PROTOCOL = "ERROR  : Unrecognised <protocol> Parameter: ";
const std::string IN_HEX = ":020000040008F2\n:0400100001020304E2\n:00000001FF\n";
const std::string OLD = "old contents";
const std::string BAD_HEX = "hello\n:0400100001020304E3\n:0400100001020304E2\n";
const std::string BAD_LINES =
    "ERROR: Found invalid ihex line <hello\n>\n"
    "ERROR: Found invalid checksum in ihex line <:0400100001020304E3\n>\n";

const char *const OTHER_PROGRAM = getenv("LUMBRIX_PROGRAM");
const std::string PROGRAM = OTHER_PROGRAM && *OTHER_PROGRAM ? OTHER_PROGRAM : LUMBRIX_PATH;
const bool WINDOWS = PROGRAM.ends_with(".exe");
const char *const OTHER_INSPECT = getenv("LUMBRIX_INSPECT");
const std::string INSPECT = OTHER_INSPECT && *OTHER_INSPECT ? OTHER_INSPECT : INSPECT_PATH;

// A Windows build writes its standard streams in text mode, every line end as CR LF. Give
// them back as LF so that the same expectations hold; a bare LF is marked so that it fails.
std::string from_text_mode(const std::string &text) {
    std::string result;
    for (char c : text)
        if (c != '\n')
            result += c;
        else if (result.ends_with('\r'))
            result.back() = '\n';
        else
            result += "<bare LF>";
    return result;
}

// The program runs in `folder`, from a shell that puts LUMBRIX_RUNNER (e.g. wine) in front of
// it and its standard streams where `redirect` says.
Outcome run_lumbrix(const TempFolder &folder, std::vector<std::string> args,
                    const std::string &redirect = "", const std::string &program = PROGRAM) {
    std::string script = "exec $LUMBRIX_RUNNER \"$@\"" + redirect;
    args.insert(args.begin(), {"sh", "-c", script, "sh", program});
    Outcome outcome = run_program(args, {}, folder.dir.c_str());
    if (WINDOWS) {
        outcome.out = from_text_mode(outcome.out);
        outcome.err = from_text_mode(outcome.err);
    }
    return outcome;
}

// The program runs in a folder where in.hex is IN_HEX, four bytes at 0x80010, bad.hex is
// BAD_HEX and out.qvr holds OLD. `file` is the output afterwards: its size and, for Type 6, its
// first byte ("12": untouched).
struct Case {
    const char *label;
    std::vector<std::string> args;
    int status = 0;
    std::string err = {};
    std::string file;
    const char *join = ""; // a redirection of both streams into one, as a build log takes them
};

void PrintTo(const Case &c, std::ostream *os) {
    *os << c.label;
}

class Lumbrix : public testing::TestWithParam<Case> {};

// Joined, the streams hold the banner, then the reader's messages, then the result line,
// whichever stream each of them goes to.
TEST_P(Lumbrix, PrintsExitsAndWrites) {
    const Case &c = GetParam();
    TempFolder folder;
    folder.write("in.hex", IN_HEX);
    folder.write("bad.hex", BAD_HEX);
    folder.write("out.qvr", OLD);
    Outcome outcome = run_lumbrix(folder, c.args, c.join);
    std::string result = c.status == 0 ? SUCCEEDED : "";
    EXPECT_EQ(c.status, outcome.status);
    EXPECT_EQ(BANNER + (*c.join ? c.err + result : result), outcome.out);
    EXPECT_EQ(*c.join ? "" : c.err, outcome.err);
    std::string file = folder.read("out.qvr");
    EXPECT_EQ(c.file,
              std::to_string(file.size()) + (file.size() % 519 == 1 ? file.substr(0, 1) : ""));
    EXPECT_EQ(IN_HEX, folder.read("in.hex"));
}

// Numbers read as "%d" reads them; 4294972806 and 4294967300 are 5510 and 4 beyond 32 bits.
// Windows refuses to open a folder as a file; Linux opens it, then fails to read it.
// A pipe gives the exit status of its last command, so the row through one must succeed.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, Lumbrix, testing::Values(
    Case{.label = "no_arguments", .args = {}, .status = 1, .err = USAGE, .file = "12"},
    Case{.label = "five_arguments", .args = {"in.hex", "out.qvr", "5516", "4", "x"}, .status = 1, .err = USAGE, .file = "12"},
    Case{.label = "type4", .args = {"in.hex", "out.qvr", "5516", "4"}, .file = "522"},
    Case{.label = "protocol_wraps_at_16_bits", .args = {"in.hex", "out.qvr", "5516", "65542"}, .file = "5206"},
    Case{.label = "protocol_space_and_sign", .args = {"in.hex", "out.qvr", "5516", " +4"}, .file = "522"},
    Case{.label = "part_5510_leading_space", .args = {"in.hex", "out.qvr", " 5510", "6"}, .file = "5200"},
    Case{.label = "part_5511_in_tabs", .args = {"in.hex", "out.qvr", "\t5511 ", "6"}, .file = "5201"},
    Case{.label = "part_5512_signed", .args = {"in.hex", "out.qvr", "+5512", "6"}, .file = "5202"},
    Case{.label = "part_5513", .args = {"in.hex", "out.qvr", "5513", "6"}, .file = "5203"},
    Case{.label = "part_5514", .args = {"in.hex", "out.qvr", "5514", "6"}, .file = "5204"},
    Case{.label = "part_5515", .args = {"in.hex", "out.qvr", "5515", "6"}, .file = "5205"},
    Case{.label = "part_5516_trailing_text", .args = {"in.hex", "out.qvr", "5516xyz", "6"}, .file = "5206"},
    Case{.label = "part_above_the_range", .args = {"in.hex", "out.qvr", "5517", "4"}, .status = 1, .err = BAD_PART + "5517\n\n", .file = "0"},
    Case{.label = "part_below_the_range", .args = {"in.hex", "out.qvr", "5509", "4"}, .status = 1, .err = BAD_PART + "5509\n\n", .file = "0"},
    Case{.label = "part_negative", .args = {"in.hex", "out.qvr", "-5510", "4"}, .status = 1, .err = BAD_PART + "-5510\n\n", .file = "0"},
    Case{.label = "part_beyond_32_bits", .args = {"in.hex", "out.qvr", "4294972806", "4"}, .status = 1, .err = BAD_PART + "4294972806\n\n", .file = "0"},
    Case{.label = "part_before_protocol", .args = {"in.hex", "out.qvr", "1", "2"}, .status = 1, .err = BAD_PART + "1\n\n", .file = "0"},
    Case{.label = "protocol_unknown", .args = {"in.hex", "out.qvr", "5516", "5"}, .status = 1, .err = BAD_PROTOCOL + "5\n\n", .file = "0"},
    Case{.label = "protocol_hexadecimal", .args = {"in.hex", "out.qvr", "5516", "0x4"}, .status = 1, .err = BAD_PROTOCOL + "0x4\n\n", .file = "0"},
    Case{.label = "protocol_beyond_32_bits", .args = {"in.hex", "out.qvr", "5516", "4294967300"}, .status = 1, .err = BAD_PROTOCOL + "4294967300\n\n", .file = "0"},
    Case{.label = "missing_input", .args = {"missing.hex", "out.qvr", "5516", "4"}, .status = 1, .err = "ERROR  : Error 2 opening missing.hex\n\n", .file = "12"},
    Case{.label = "no_output_folder", .args = {"in.hex", "no/out.qvr", "5516", "4"}, .status = 1, .err = "ERROR  : Error 2 opening no/out.qvr\n\n", .file = "12"},
    Case{.label = "onto_the_input", .args = {"in.hex", "./in.hex", "5516", "6"}, .status = 1, .err = "ERROR  : Input and output are the same file: ./in.hex\n\n", .file = "12"},
    Case{.label = "folder_as_input", .args = {".", "out.qvr", "5516", "6"}, .status = 1, .err = WINDOWS ? "ERROR  : Error 13 opening .\n\n" : FAILED, .file = WINDOWS ? "12" : "16"},
    Case{.label = "full_device", .args = {"in.hex", "/dev/full", "5516", "6"}, .status = 1, .err = FAILED, .file = "12"},
    Case{.label = "bad_lines_still_succeed", .args = {"bad.hex", "out.qvr", "5510", "4"}, .err = BAD_LINES, .file = "0"},
    Case{.label = "joined_into_one_pipe", .args = {"bad.hex", "out.qvr", "5516", "6"}, .err = BAD_LINES, .file = "16", .join = " 2>&1 | cat"},
    Case{.label = "joined_into_one_file_failing", .args = {"bad.hex", "/dev/full", "5516", "6"}, .status = 1, .err = BAD_LINES + FAILED, .file = "12", .join = " 2>&1"}),
    [](const auto &info) { return info.param.label; });
// clang-format on

// Lines around the lengths where a read cuts them: the longest records, of 255 data bytes (521
// characters), arrive whole; a garbage line before them is quoted whole up to 1023 characters
// and in pieces of 1023 beyond. Either line end, both window sizes, both layouts, against the
// reading rules.
class LineLengths : public testing::TestWithParam<std::tuple<size_t, std::string>> {};

// Every other character a colon, so that the later pieces are read as records.
std::string garbage_line(size_t length) {
    std::string line;
    while (line.size() < length)
        line += "x:";
    return line.substr(0, length) + "\n";
}

// At the start of the window and across the ends of the 30 KiB and the 94 KiB window.
std::string longest_records() {
    std::vector<uint8_t> data = hex_bytes(255, 1);
    return hex_data_at(0x80000, data) + hex_data_at(0x87800 - 127, data) +
           hex_data_at(0x97800 - 127, data) + hex_record(0x01, 0, {});
}

std::string with_line_end(const std::string &text, const std::string &line_end) {
    std::string result;
    for (char c : text)
        result += c == '\n' ? line_end : std::string(1, c);
    return result;
}

TEST_P(LineLengths, ConvertAsTheReadingRulesSay) {
    auto [garbage, line_end] = GetParam();
    TempFolder folder;
    std::string hex = garbage_line(garbage) + longest_records();
    folder.write("in.hex", with_line_end(hex, line_end));
    // A Windows build reads the HEX file in text mode: its reader gets every CR LF as LF.
    hex = with_line_end(hex, WINDOWS ? "\n" : line_end);
    ModelReading reading =
        model_read(reinterpret_cast<const uint8_t *>(hex.data()), hex.size(), false);
    for (auto [part, protocol] : {std::pair{"5510", "4"}, {"5516", "6"}}) {
        SCOPED_TRACE(std::string(part) + " " + protocol);
        Outcome outcome = run_lumbrix(folder, {"in.hex", "out.qvr", part, protocol});
        EXPECT_EQ(0, outcome.status);
        EXPECT_EQ(reading.messages, outcome.err);
        std::vector<uint8_t> file = model_download(reading.records, part[3], *protocol == '6');
        EXPECT_EQ(std::string(file.begin(), file.end()), folder.read("out.qvr"));
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, LineLengths,
                         testing::Combine(testing::Values(0, 1023, 1024, 2100),
                                          testing::Values("\n", "\r\n")),
                         [](const auto &info) {
                             return "garbage_" + std::to_string(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) == "\n" ? "_lf" : "_crlf");
                         });

// The build's inspector reads the file back and says so in JSON that Python reads.
TEST(Inspector, ReportsTheConvertedFileInJson) {
    TempFolder folder;
    folder.write("in.hex", IN_HEX);
    run_lumbrix(folder, {"in.hex", "out.qvr", "5516", "6"});
    Outcome r = run_lumbrix(folder, {"--json", "--source", "in.hex", "out.qvr"}, "", INSPECT);
    EXPECT_EQ(0, r.status) << r.err;
    const char *facts = "import json, sys; r = json.load(open(sys.argv[1]))\n"
                        "print(r['layout'], r['source']['bytes_in_window'], r['result'])";
    Outcome read = run_program({"python3", "-c", facts, folder.write("report.json", r.out)});
    EXPECT_EQ("Type 6 4 sound\n", read.out) << r.out << read.err;
}

} // namespace
