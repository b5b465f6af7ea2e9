// The lumbrix program as a user runs it: what it prints, where, its exit status and its file.
// LUMBRIX_PROGRAM and LUMBRIX_RUNNER (e.g. wine) point the same cases at another build.
#include "files.h"
#include "hex_model.h"
#include "hex_text.h"
#include "run_program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {

const std::string BANNER = "\n>>  Program:  Lumbrix\n>>  Version:  3.0.2\n"
                           ">>  Date:     14.March.2008\n>>  Email:    lin-support@korvane.com\n\n";
const std::string USAGE = "ERROR  : Incorrect number of parameters\n"
                          "Syntax : Lumbrix <input hex file> <output binary file> <part> "
                          "<protocol>\n"
                          "Example: Lumbrix C:\\sample.hex C:\\sample.qvr 5516 4\n\n";
const std::string OLD = "old contents";
const std::string BAD_HEX = "hello\n:0400100001020304E3\n:0400100001020304E2\n";
const std::string BAD_LINES =
    "ERROR: Found invalid ihex line <hello\n>\n"
    "ERROR: Found invalid checksum in ihex line <:0400100001020304E3\n>\n";

std::string env_or(const char *name, const std::string &fallback) {
    const char *value = getenv(name);
    return value && *value ? value : fallback;
}

bool windows_program() {
    return env_or("LUMBRIX_PROGRAM", LUMBRIX_PATH).ends_with(".exe");
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

// With `shell`, a script that gets the program and its arguments as "$@".
Outcome run_lumbrix(const std::vector<std::string> &args, const char *shell = nullptr) {
    std::vector<std::string> argv;
    if (shell)
        argv = {"sh", "-c", shell, "sh"};
    std::istringstream runner(env_or("LUMBRIX_RUNNER", ""));
    for (std::string word; runner >> word;)
        argv.push_back(word);
    argv.push_back(env_or("LUMBRIX_PROGRAM", LUMBRIX_PATH));
    argv.insert(argv.end(), args.begin(), args.end());
    Outcome outcome = run_program(argv);
    if (windows_program()) {
        outcome.out = from_text_mode(outcome.out);
        outcome.err = from_text_mode(outcome.err);
    }
    return outcome;
}

// "@in" is a HEX file of four bytes at 0x80010, "@out" a file holding OLD, "@dir" their folder.
struct Case {
    const char *label;
    std::vector<std::string> args;
    int status;
    std::string err;
    std::string file; // the output afterwards: its size and, for Type 6, first byte
};

void expand(std::string &text, const TempFolder &folder) {
    for (auto [name, value] : {std::pair<std::string, std::string>{"@in", folder.path("in.hex")},
                               {"@out", folder.path("out.qvr")},
                               {"@dir", folder.dir.string()}})
        for (size_t at; (at = text.find(name)) != std::string::npos;)
            text.replace(at, name.size(), value);
}

void PrintTo(const Case &c, std::ostream *os) {
    *os << c.label;
}

class Lumbrix : public testing::TestWithParam<Case> {};

TEST_P(Lumbrix, PrintsExitsAndWrites) {
    Case c = GetParam();
    TempFolder folder;
    folder.write("in.hex", ":020000040008F2\n:0400100001020304E2\n:00000001FF\n");
    folder.write("bad.hex", BAD_HEX);
    folder.write("out.qvr", OLD);
    for (std::string &arg : c.args)
        expand(arg, folder);
    expand(c.err, folder);
    if (c.err == "folder" && windows_program()) { // Windows refuses to open a folder as a file
        c.err = "ERROR  : Error 13 opening " + folder.dir.string() + "\n\n";
    } else if (c.err == "folder") { // elsewhere it opens and then fails to read
        c.err = "ERROR  : Conversion Failed\n\n";
        c.file = "16";
    }
    Outcome outcome = run_lumbrix(c.args);
    EXPECT_EQ(c.status, outcome.status);
    EXPECT_EQ(BANNER + (c.status == 0 ? ">>  Conversion Succeeded\n\n" : ""), outcome.out);
    EXPECT_EQ(c.err, outcome.err);
    std::string file = folder.read("out.qvr");
    EXPECT_EQ(c.file,
              std::to_string(file.size()) + (file.size() % 519 == 1 ? file.substr(0, 1) : ""));
    EXPECT_EQ(":020000040008F2\n:0400100001020304E2\n:00000001FF\n", folder.read("in.hex"));
}

std::vector<Case> cases() {
    std::vector<Case> cases = {
        {"no_arguments", {}, 1, USAGE, "12"},
        {"three_arguments", {"@in", "@out", "5516"}, 1, USAGE, "12"},
        {"five_arguments", {"@in", "@out", "5516", "4", "x"}, 1, USAGE, "12"},
        {"type4", {"@in", "@out", "5516", "4"}, 0, "", "522"},
        {"protocol_wraps_at_16_bits", {"@in", "@out", "5516", "65540"}, 0, "", "522"},
        {"protocol_65542", {"@in", "@out", "5516", "65542"}, 0, "", "5206"},
        {"protocol_fraction", {"@in", "@out", "5516", "4.9"}, 0, "", "522"},
        {"protocol_sign", {"@in", "@out", "5516", " +4"}, 0, "", "522"},
        {"part_trailing_text", {"@in", "@out", "5516xyz", "6"}, 0, "", "5206"},
        {"part_leading_space", {"@in", "@out", " 5510", "6"}, 0, "", "5200"},
        {"part_sign", {"@in", "@out", "+5512", "6"}, 0, "", "5202"},
        {"part_leading_zero", {"@in", "@out", "05516", "6"}, 0, "", "5206"},
        {"part_tabs", {"@in", "@out", "\t5511 ", "6"}, 0, "", "5201"},
        {"both_bad",
         {"@in", "@out", "1", "2"},
         1,
         "ERROR  : Unrecognised <part> Parameter: 1\n\n",
         "0"},
        {"missing_input",
         {"@dir/missing.hex", "@out", "5516", "4"},
         1,
         "ERROR  : Error 2 opening @dir/missing.hex\n\n",
         "12"},
        {"no_output_folder",
         {"@in", "@dir/no/out.qvr", "5516", "4"},
         1,
         "ERROR  : Error 2 opening @dir/no/out.qvr\n\n",
         "12"},
        {"onto_the_input",
         {"@in", "@dir/./in.hex", "5516", "6"},
         1,
         "ERROR  : Input and output are the same file: @dir/./in.hex\n\n",
         "12"},
        {"folder_as_input", {"@dir", "@out", "5516", "6"}, 1, "folder", "12"},
        {"full_device",
         {"@in", "/dev/full", "5516", "6"},
         1,
         "ERROR  : Conversion Failed\n\n",
         "12"},
        {"bad_lines_still_succeed", {"@dir/bad.hex", "@out", "5510", "4"}, 0, BAD_LINES, "0"},
    };
    for (int number = 5513; number <= 5515; ++number)
        cases.push_back({"",
                         {"@in", "@out", std::to_string(number), "6"},
                         0,
                         "",
                         "520" + std::string(1, static_cast<char>('0' + number - 5510))});
    // 4294972806 and 4294967300 are 5510 and 4 beyond 32 bits: too big, not wrapped.
    for (const char *part : {"5517", "5509", "-5510", "abc", "", "4294972806", "2147483648"})
        cases.push_back({"",
                         {"@in", "@out", part, "4"},
                         1,
                         std::string("ERROR  : Unrecognised <part> Parameter: ") + part + "\n\n",
                         "0"});
    for (const char *protocol : {"5", "-4", "x4", "0x4", "4294967300", "-2147483648"})
        cases.push_back(
            {"",
             {"@in", "@out", "5516", protocol},
             1,
             std::string("ERROR  : Unrecognised <protocol> Parameter: ") + protocol + "\n\n",
             "0"});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, Lumbrix, testing::ValuesIn(cases()), [](const auto &info) {
    return *info.param.label ? info.param.label : "number_" + std::to_string(info.index);
});

// Both streams into one file or one pipe, as a build log takes them: the banner, then the
// reader's messages, then the result line, whichever stream each of them goes to.
struct SharedCase {
    const char *label;
    const char *shell; // joins the two streams
    const char *out;   // "" for a file in the test's folder
    std::string result;
};

void PrintTo(const SharedCase &c, std::ostream *os) {
    *os << c.label;
}

class BothStreams : public testing::TestWithParam<SharedCase> {};

TEST_P(BothStreams, KeepTheirOrder) {
    const SharedCase &c = GetParam();
    TempFolder folder;
    std::string out = *c.out ? c.out : folder.path("out.qvr");
    Outcome outcome = run_lumbrix({folder.write("bad.hex", BAD_HEX), out, "5516", "6"}, c.shell);
    EXPECT_EQ(BANNER + BAD_LINES + c.result, outcome.out);
}

INSTANTIATE_TEST_SUITE_P(Joined, BothStreams,
                         testing::Values(SharedCase{"succeeded_into_one_file", "exec \"$@\" 2>&1",
                                                    "", ">>  Conversion Succeeded\n\n"},
                                         SharedCase{"failed_into_one_pipe", "\"$@\" 2>&1 | cat",
                                                    "/dev/full", "ERROR  : Conversion Failed\n\n"}),
                         [](const auto &info) { return info.param.label; });

// Lines around the lengths where a read cuts them: records of up to 255 data bytes (521
// characters) arrive whole; garbage lines are quoted whole up to 1023 characters and in pieces
// of 1023 beyond. Either line end, both window sizes, both layouts, against the reading rules.
struct LineCase {
    const char *label;
    size_t data_bytes;  // of each record
    size_t garbage = 0; // characters of a garbage line before the records
    long messages = 0;  // one per piece of the garbage line
};

// Every other character a colon, so that the later pieces are read as records.
std::string garbage_line(size_t length) {
    std::string line;
    while (line.size() < length)
        line += "x:";
    return line.substr(0, length) + "\n";
}

// At the start of the window and across the ends of the 30 KiB and the 94 KiB window.
std::string records_of(size_t count) {
    std::vector<uint8_t> data = hex_bytes(count, static_cast<uint8_t>(count));
    uint32_t half = static_cast<uint32_t>(count / 2);
    return hex_data_at(0x80000, data) + hex_data_at(0x87800 - half, data) +
           hex_data_at(0x97800 - half, data) + hex_record(0x01, 0, {});
}

std::string with_line_end(const std::string &text, const std::string &line_end) {
    std::string result;
    for (char c : text)
        result += c == '\n' ? line_end : std::string(1, c);
    return result;
}

void PrintTo(const LineCase &c, std::ostream *os) {
    *os << c.label;
}

class LineLengths : public testing::TestWithParam<std::tuple<LineCase, const char *>> {};

TEST_P(LineLengths, ConvertAsTheReadingRulesSay) {
    auto [c, line_end] = GetParam();
    TempFolder folder;
    std::string hex = (c.garbage ? garbage_line(c.garbage) : "") + records_of(c.data_bytes);
    folder.write("in.hex", with_line_end(hex, line_end));
    // A Windows build reads the HEX file in text mode: its reader gets every CR LF as LF.
    hex = with_line_end(hex, windows_program() ? "\n" : line_end);
    ModelReading reading =
        model_read(reinterpret_cast<const uint8_t *>(hex.data()), hex.size(), false);
    EXPECT_EQ(c.messages, std::ranges::count(reading.messages, '<')); // one '<' a message
    for (const char *part : {"5510", "5516"}) { // the last digit is the part code
        for (const char *protocol : {"4", "6"}) {
            SCOPED_TRACE(std::string(part) + " " + protocol);
            Outcome outcome =
                run_lumbrix({folder.path("in.hex"), folder.path("out.qvr"), part, protocol});
            EXPECT_EQ(0, outcome.status);
            EXPECT_EQ(reading.messages, outcome.err);
            std::vector<uint8_t> file = model_download(reading.records, part[3], *protocol == '6');
            EXPECT_EQ(std::string(file.begin(), file.end()), folder.read("out.qvr"));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineLengths,
    testing::Combine(
        testing::Values(
            LineCase{.label = "record_250", .data_bytes = 250},
            LineCase{.label = "record_251", .data_bytes = 251},
            LineCase{.label = "record_254", .data_bytes = 254},
            LineCase{.label = "record_255", .data_bytes = 255},
            LineCase{.label = "garbage_511", .data_bytes = 16, .garbage = 511, .messages = 1},
            LineCase{.label = "garbage_512", .data_bytes = 16, .garbage = 512, .messages = 1},
            LineCase{.label = "garbage_1023", .data_bytes = 16, .garbage = 1023, .messages = 1},
            LineCase{.label = "garbage_1024", .data_bytes = 16, .garbage = 1024, .messages = 2},
            LineCase{.label = "garbage_2100", .data_bytes = 16, .garbage = 2100, .messages = 3}),
        testing::Values("\n", "\r\n")),
    [](const auto &info) {
        return std::string(std::get<0>(info.param).label) +
               (std::get<1>(info.param)[0] == '\r' ? "_crlf" : "_lf");
    });

} // namespace
