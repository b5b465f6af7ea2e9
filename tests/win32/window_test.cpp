// The main dialog run inside the test program, where its system menu and icons can be read:
// another process's menus are out of reach under Wine.
#include "converter_window.h"
#include "gui_process.h"
#include "registry_settings_store.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <thread>

namespace {

// Ended with Cancel, the dialog writes no settings, and it reads none under this name.
void LookAtTheDialogAndCancel() {
    HWND dialog = FindProcessWindow(GetCurrentProcessId(), "LumbrixW");
    ASSERT_TRUE(dialog);
    HMENU menu = GetSystemMenu(dialog, FALSE);
    const int items = GetMenuItemCount(menu);
    EXPECT_GT(items, 2);
    EXPECT_TRUE(GetMenuState(menu, items - 2, MF_BYPOSITION) & MF_SEPARATOR);
    char text[64] = {};
    GetMenuStringA(menu, items - 1, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ("&About LumbrixW...", text);
    EXPECT_EQ(UINT{IDM_ABOUTBOX}, GetMenuItemID(menu, items - 1));

    HICON programIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    EXPECT_TRUE(programIcon);
    EXPECT_EQ(programIcon, HICON(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0)));
    EXPECT_EQ(programIcon, HICON(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0)));
    EXPECT_EQ(programIcon, HICON(SendMessageA(dialog, WM_QUERYDRAGICON, 0, 0)));
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

TEST(ConverterWindow, SystemMenuEndsWithTheAboutEntryAndEveryIconIsTheProgramIcon) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    RegistrySettingsStore settings(kRegistryKey, "lumbrix_gui window test");
    std::thread observer(LookAtTheDialogAndCancel);
    RunConverterDialog(GetModuleHandleA(nullptr), settings);
    observer.join();
}

} // namespace
