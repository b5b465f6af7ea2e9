// The pictures built into lumbrix_gui.exe, converted at build time from the Qt program's PNGs.
#include "gui_process.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace {

const BYTE *Resource(HMODULE module, int id, LPCSTR type) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    return found ? static_cast<const BYTE *>(LockResource(LoadResource(module, found))) : nullptr;
}

TEST(ProgramResources, IconAndLogo) {
    HMODULE module = LoadLibraryExA(GuiProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    const BYTE *group = Resource(module, IDR_MAINFRAME, RT_GROUP_ICON);
    ASSERT_TRUE(group);
    EXPECT_EQ(1, reinterpret_cast<const WORD *>(group)[2]) << "one image";
    const BYTE *entry = group + 6;
    EXPECT_EQ(32, entry[0]);
    EXPECT_EQ(32, entry[1]);
    EXPECT_EQ(16, entry[2]) << "colours";

    auto *logo = reinterpret_cast<const BITMAPINFOHEADER *>(Resource(module, IDB_LOGO, RT_BITMAP));
    ASSERT_TRUE(logo);
    EXPECT_EQ(166, logo->biWidth);
    EXPECT_EQ(51, logo->biHeight);
    EXPECT_EQ(8, logo->biBitCount);
    FreeLibrary(module);
}

} // namespace
