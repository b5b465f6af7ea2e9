#include "path_parts.h"

#include <gtest/gtest.h>

namespace {

void ExpectParts(std::string_view path, PathStyle style, const std::string &drive,
                 const std::string &directory, const std::string &baseName,
                 const std::string &extension) {
    SCOPED_TRACE(path);
    const PathParts parts = SplitPath(path, style);
    EXPECT_EQ(drive, parts.drive);
    EXPECT_EQ(directory, parts.directory);
    EXPECT_EQ(baseName, parts.baseName);
    EXPECT_EQ(extension, parts.extension);
}

TEST(SplitPath, WindowsPathsHaveDrivesAndBothSeparators) {
    using enum PathStyle;
    ExpectParts("E:\\fw\\app.hex", Windows, "E:", "\\fw\\", "app", ".hex");
    EXPECT_EQ("D:\\out\\", SplitPath("D:\\out\\old.qvr", Windows).Folder());
    ExpectParts("C:/fw\\v2/app.hex", Windows, "C:", "/fw\\v2/", "app", ".hex");
    ExpectParts("C:app.hex", Windows, "C:", "", "app", ".hex");
    ExpectParts("\\\\server\\share\\app", Windows, "", "\\\\server\\share\\", "app", "");
}

TEST(SplitPath, PosixPathsHaveOnlySlashes) {
    using enum PathStyle;
    ExpectParts("/home/me/fw/app.hex", Posix, "", "/home/me/fw/", "app", ".hex");
    ExpectParts("E:\\fw\\app.hex", Posix, "", "", "E:\\fw\\app", ".hex");
    ExpectParts("app.hex", Posix, "", "", "app", ".hex");
}

TEST(SplitPath, TheExtensionStartsAtTheNamesLastDot) {
    using enum PathStyle;
    ExpectParts("/fw/app.v2.hex", Posix, "", "/fw/", "app.v2", ".hex");
    ExpectParts("/fw.d/app", Posix, "", "/fw.d/", "app", "");
    ExpectParts("/fw/.hex", Posix, "", "/fw/", "", ".hex");
    ExpectParts("/fw/app.", Posix, "", "/fw/", "app", ".");
    ExpectParts("/fw/", Posix, "", "/fw/", "", "");
    ExpectParts("", Posix, "", "", "", "");
}

} // namespace
