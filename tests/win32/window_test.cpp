// The main dialog run inside the test program, where its system menu and icons can be read:
// another process's menus are out of reach under Wine.
#include "converter_window.h"
#include "gui_process.h"
#include "resource.h"
#include "settings_store.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <thread>

namespace {

// First run: every value absent, nothing kept.
class EmptySettings : public SettingsStore {
  public:
    std::string GetString(const std::string &, const std::string &,
                          const std::string &defaultValue) const override {
        return defaultValue;
    }
    std::uint32_t GetUInt(const std::string &, const std::string &,
                          std::uint32_t defaultValue) const override {
        return defaultValue;
    }
    void WriteString(const std::string &, const std::string &, const std::string &) override {}
    void WriteUInt(const std::string &, const std::string &, std::uint32_t) override {}
};

struct SeenFromOutside {
    HWND dialog = nullptr;
    int menuItems = 0;
    UINT separatorState = 0;
    std::string aboutText;
    UINT aboutId = 0;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    HICON dragIcon = nullptr;
};

SeenFromOutside LookAtTheDialogAndClose() {
    SeenFromOutside seen;
    seen.dialog = FindProcessWindow(GetCurrentProcessId(), "LumbrixW");
    if (!seen.dialog)
        return seen;
    HMENU menu = GetSystemMenu(seen.dialog, FALSE);
    seen.menuItems = GetMenuItemCount(menu);
    seen.separatorState = GetMenuState(menu, seen.menuItems - 2, MF_BYPOSITION);
    char text[64] = {};
    GetMenuStringA(menu, seen.menuItems - 1, text, sizeof text, MF_BYPOSITION);
    seen.aboutText = text;
    seen.aboutId = GetMenuItemID(menu, seen.menuItems - 1);
    seen.bigIcon = reinterpret_cast<HICON>(SendMessageA(seen.dialog, WM_GETICON, ICON_BIG, 0));
    seen.smallIcon = reinterpret_cast<HICON>(SendMessageA(seen.dialog, WM_GETICON, ICON_SMALL, 0));
    seen.dragIcon = reinterpret_cast<HICON>(SendMessageA(seen.dialog, WM_QUERYDRAGICON, 0, 0));
    PostMessageA(seen.dialog, WM_CLOSE, 0, 0);
    return seen;
}

TEST(ConverterWindow, SystemMenuEndsWithTheAboutEntryAndEveryIconIsTheProgramIcon) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    EmptySettings settings;
    SeenFromOutside seen;
    std::thread observer([&seen] { seen = LookAtTheDialogAndClose(); });
    RunConverterDialog(GetModuleHandleA(nullptr), settings);
    observer.join();

    ASSERT_TRUE(seen.dialog);
    EXPECT_GT(seen.menuItems, 2);
    EXPECT_TRUE(seen.separatorState & MF_SEPARATOR);
    EXPECT_EQ("&About LumbrixW...", seen.aboutText);
    EXPECT_EQ(UINT{IDM_ABOUTBOX}, seen.aboutId);
    HICON programIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_TRUE(programIcon);
    EXPECT_EQ(programIcon, seen.bigIcon);
    EXPECT_EQ(programIcon, seen.smallIcon);
    EXPECT_EQ(programIcon, seen.dragIcon);
}

} // namespace
