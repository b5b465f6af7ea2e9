// The conversions from paths: what the programs cannot show from the outside.
#include "files.h"
#include "hex_text.h"

#include "lumbrix/download.h"
#include "lumbrix/segment_list.h"

#include <gtest/gtest.h>

using namespace lumbrix;

namespace {

struct PathCase {
    const char *label;
    const char *in;  // in the folder, where in.hex holds one byte at 0x80000
    const char *out; // likewise
    int result;
    size_t type4_size, type6_size; // of the output afterwards; 0 for none or a device
};

void PrintTo(const PathCase &c, std::ostream *os) {
    *os << c.label;
}

class ConvertFile : public testing::TestWithParam<PathCase> {};

TEST_P(ConvertFile, FailsWithoutTouchingTheInput) {
    const PathCase &c = GetParam();
    TempFolder folder;
    std::string hex = hex_record(4, 0, {0, 0}) + hex_record(0, 0x10, {0xAB});
    folder.write("in.hex", hex);
    auto in = c.in[0] == '/' ? std::string(c.in) : folder.path(c.in);
    auto out = c.out[0] == '/' ? std::string(c.out) : folder.path(c.out);
    auto size = [&] { return c.out[0] == '/' || !fs::exists(out) ? 0 : fs::file_size(out); };
    EXPECT_EQ(c.result, convert_file_type4(in.c_str(), out.c_str(), '1'));
    EXPECT_EQ(c.type4_size, size());
    EXPECT_EQ(c.result, convert_file_type6(in.c_str(), out.c_str(), '2'));
    EXPECT_EQ(c.type6_size, size());
    EXPECT_EQ(hex, folder.read("in.hex"));
    EXPECT_EQ(nullptr, g_image);
}

// Extended address 0 is forced into flash, so the byte lands in the first page.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Paths, ConvertFile, testing::Values(
    PathCase{.label = "converts", .in = "in.hex", .out = "out.qvr", .result = 0, .type4_size = 522, .type6_size = 520},
    PathCase{.label = "missing_input", .in = "missing.hex", .out = "out.qvr", .result = 1, .type4_size = 0, .type6_size = 0},
    PathCase{.label = "onto_the_input", .in = "in.hex", .out = "./in.hex", .result = 1, .type4_size = 30, .type6_size = 30},
    PathCase{.label = "folder_as_input", .in = ".", .out = "out.qvr", .result = 1, .type4_size = 0, .type6_size = 1},
    PathCase{.label = "full_device", .in = "in.hex", .out = "/dev/full", .result = 1, .type4_size = 0, .type6_size = 0}),
    [](const auto &info) { return info.param.label; });
// clang-format on

} // namespace
