#include "path_parts.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase {
    const char *name;
    const char *path;
    PathStyle style;
    PathParts parts;
};

class SplitPathTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitPathTest, GivesDriveFolderBaseNameAndExtension) {
    const SplitCase &c = GetParam();
    const PathParts parts = SplitPath(c.path, c.style);
    EXPECT_EQ(c.parts.Folder(), parts.Folder());
    EXPECT_EQ(std::tie(c.parts.drive, c.parts.directory, c.parts.baseName, c.parts.extension),
              std::tie(parts.drive, parts.directory, parts.baseName, parts.extension));
}

using enum PathStyle;
// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, SplitPathTest, ::testing::Values(
    SplitCase{.name = "windows_drive", .path = "E:\\fw\\app.hex", .style = Windows, .parts = {"E:", "\\fw\\", "app", ".hex"}},
    SplitCase{.name = "windows_both_separators", .path = "C:/fw\\v2/app.hex", .style = Windows, .parts = {"C:", "/fw\\v2/", "app", ".hex"}},
    SplitCase{.name = "windows_drive_relative", .path = "C:app.hex", .style = Windows, .parts = {"C:", "", "app", ".hex"}},
    SplitCase{.name = "windows_share", .path = "\\\\server\\share\\app", .style = Windows, .parts = {"", "\\\\server\\share\\", "app", ""}},
    SplitCase{.name = "posix", .path = "/home/me/fw/app.hex", .style = Posix, .parts = {"", "/home/me/fw/", "app", ".hex"}},
    SplitCase{.name = "posix_no_drive", .path = "E:\\fw\\app.hex", .style = Posix, .parts = {"", "", "E:\\fw\\app", ".hex"}},
    SplitCase{.name = "posix_bare_name", .path = "app.hex", .style = Posix, .parts = {"", "", "app", ".hex"}},
    SplitCase{.name = "last_dot", .path = "/fw/app.v2.hex", .style = Posix, .parts = {"", "/fw/", "app.v2", ".hex"}},
    SplitCase{.name = "dot_in_folder", .path = "/fw.d/app", .style = Posix, .parts = {"", "/fw.d/", "app", ""}},
    SplitCase{.name = "only_extension", .path = "/fw/.hex", .style = Posix, .parts = {"", "/fw/", "", ".hex"}},
    SplitCase{.name = "trailing_dot", .path = "/fw/app.", .style = Posix, .parts = {"", "/fw/", "app", "."}},
    SplitCase{.name = "only_folder", .path = "/fw/", .style = Posix, .parts = {"", "/fw/", "", ""}},
    SplitCase{.name = "empty", .path = "", .style = Posix, .parts = {"", "", "", ""}}),
    [](const auto &info) { return std::string(info.param.name); });
// clang-format on

} // namespace
