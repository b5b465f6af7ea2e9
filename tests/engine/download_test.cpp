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
INSTANTIATE_TEST_SUITE_P(
    Paths, ConvertFile,
    testing::Values(PathCase{"converts", "in.hex", "out.qvr", 0, 522, 520},
                    PathCase{"missing_input", "missing.hex", "out.qvr", 1, 0, 0},
                    PathCase{"no_such_folder", "in.hex", "no/such/out.qvr", 1, 0, 0},
                    PathCase{"onto_the_input", "in.hex", "./in.hex", 1, 30, 30},
                    PathCase{"folder_as_input", ".", "out.qvr", 1, 0, 1},
                    PathCase{"full_device", "in.hex", "/dev/full", 1, 0, 0}),
    [](const auto &info) { return info.param.label; });

} // namespace
