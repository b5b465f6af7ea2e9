// The real Win32 dialog with the program's resources, run in the test program, with a second
// thread acting as the user through window messages: what the Win32 adapter maps the dialog
// logic onto. What the logic decides is the dialog logic suite's (tests/dialog).
#include "converter_window.h"
#include "registry_settings_store.h"
#include "resource.h"
#include "wait_window.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <dlgs.h>

#include <filesystem>
#include <fstream>

#include <functional>
#include <thread>

namespace {

// The store is named after the running program, as the dialog program's own is.
const char kSettingsKey[] = "Software\\Korvane Inc.\\gui_tests\\Settings";

std::string WindowText(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

bool WaitUntilGone(HWND window) {
    for (int waited = 0; waited < kPatienceMs && IsWindow(window); waited += kPollMs)
        Sleep(kPollMs);
    return !IsWindow(window);
}

std::string PaneText(HWND dialog, int pane) {
    char text[256] = {};
    SendMessageA(FindWindowExA(dialog, nullptr, STATUSCLASSNAMEA, nullptr), SB_GETTEXTA, pane,
                 reinterpret_cast<LPARAM>(text));
    return text;
}

// A status pane's tool tip, and whether it lies over the pane.
std::pair<std::string, bool> PaneTip(HWND dialog, int pane) {
    HWND tips = FindWindowExA(nullptr, nullptr, TOOLTIPS_CLASSA, nullptr);
    while (tips && GetWindow(tips, GW_OWNER) != dialog)
        tips = FindWindowExA(nullptr, tips, TOOLTIPS_CLASSA, nullptr);
    HWND bar = FindWindowExA(dialog, nullptr, STATUSCLASSNAMEA, nullptr);
    char text[256] = {};
    TOOLINFOA tool = {TTTOOLINFOA_V2_SIZE, 0, bar, UINT_PTR(pane), {}, nullptr, text, 0, nullptr};
    SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(tips, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool));
    RECT paneRect;
    SendMessageA(bar, SB_GETRECT, pane, reinterpret_cast<LPARAM>(&paneRect));
    return {text, EqualRect(&paneRect, &tool.rect)};
}

class GuiTest : public ::testing::Test {
  protected:
    std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                   ("lumbrix-gui-" + std::to_string(GetCurrentProcessId()));

    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Korvane Inc.\\gui_tests");
        std::filesystem::create_directories(folder / "out");
    }
    // A file dialog leaves the program in the folder it closed in, which cannot be removed.
    void TearDown() override {
        std::filesystem::current_path(folder.parent_path());
        std::filesystem::remove_all(folder);
    }

    std::string Path(const char *name) const { return (folder / name).string(); }

    // Runs the dialog here and `user` on a second thread; a dialog the user left open is then
    // cancelled, so that a failed test cannot keep it open.
    static void Run(const std::function<void(HWND)> &user) {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        std::thread second([&] {
            HWND dialog = WaitForWindow("LumbrixW");
            ASSERT_TRUE(dialog);
            user(dialog);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        RegistrySettingsStore settings(kRegistryKey, ExecutableName());
        RunConverterDialog(GetModuleHandleA(nullptr), settings);
        second.join();
    }
};

// The selections reach the engine only through their change notifications. Pane 2 counts the
// rejected lines, and its tool tip names them.
TEST_F(GuiTest, RegistryValuesFillTheDialogWhichConvertsAndTheCloseCommandStoresThem) {
    const std::string input = Path("app.hex");
    std::ofstream(input) << "junk\n:020000040008F2\n:0400100001020304E2\nx\n:00000001FF\n";
    const DWORD part = 2;
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "Input", REG_SZ, input.c_str(),
                    input.size() + 1);
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "Part", REG_DWORD, &part, sizeof part);
    Run([&](HWND dialog) {
        EXPECT_EQ(input, WindowText(GetDlgItem(dialog, IDC_INPUT_FILE)));
        EXPECT_EQ("  Tarvic5513", PaneText(dialog, 0));
        SetDlgItemTextA(dialog, IDC_OUTPUT_FILE, Path("app.qvr").c_str());
        // Chosen as the user would, with the notification that follows.
        SendDlgItemMessageA(dialog, IDC_PROTOCOL, CB_SETCURSEL, 1, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PROTOCOL, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_PROTOCOL)));
        SendDlgItemMessageA(dialog, IDC_CONVERT, BM_CLICK, 0, 0);
        EXPECT_EQ("  Conversion Succeeded: 2 HEX lines rejected", PaneText(dialog, 2));
        EXPECT_EQ(
            std::pair(std::string("line 1: invalid ihex line\nline 4: invalid ihex line"), true),
            PaneTip(dialog, 2));
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitUntilGone(dialog));
    });
    EXPECT_EQ('3', std::ifstream(Path("app.qvr")).get()) << "Type 6 files begin with the part code";
    // The store's reader takes only a string for a path and only a 32-bit number for a choice,
    // so it shows the types written too.
    const RegistrySettingsStore stored(kRegistryKey, "gui_tests");
    EXPECT_EQ(Path("app.qvr"), stored.GetString("Settings", "Output", ""));
    EXPECT_EQ(1u, stored.GetUInt("Settings", "Protocol", 0));
}

// The key goes to the focused control's queue, where the dialog's own keyboard handling turns
// it into Cancel.
TEST_F(GuiTest, EscapeEndsWithoutStoring) {
    Run([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_INPUT_FILE, "C:\\after.hex");
        HWND input = GetDlgItem(dialog, IDC_INPUT_FILE);
        PostMessageA(input, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageA(input, WM_KEYUP, VK_ESCAPE, 0xC0010001);
        EXPECT_TRUE(WaitUntilGone(dialog));
    });
    EXPECT_EQ("",
              RegistrySettingsStore(kRegistryKey, "gui_tests").GetString("Settings", "Input", ""));
}

// The icon in every size is the program's, and the system menu's last entry opens the About
// box over the dialog.
TEST_F(GuiTest, TheWindowsIconsAndSystemMenuAreTheProgramsOwn) {
    Run([](HWND dialog) {
        HICON programIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
        EXPECT_TRUE(programIcon);
        EXPECT_EQ(programIcon, HICON(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0)));
        EXPECT_EQ(programIcon, HICON(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0)));
        EXPECT_EQ(programIcon, HICON(SendMessageA(dialog, WM_QUERYDRAGICON, 0, 0)));

        HMENU menu = GetSystemMenu(dialog, FALSE);
        const int items = GetMenuItemCount(menu);
        EXPECT_TRUE(GetMenuState(menu, items - 2, MF_BYPOSITION) & MF_SEPARATOR);
        char text[64] = {};
        GetMenuStringA(menu, items - 1, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ("&About LumbrixW...", text);
        PostMessageA(dialog, WM_SYSCOMMAND, GetMenuItemID(menu, items - 1), 0);
        HWND about = WaitForWindow("Information");
        ASSERT_TRUE(about);
        EXPECT_EQ(dialog, GetWindow(about, GW_OWNER));
        EXPECT_EQ("Version " PROJECT_VERSION, WindowText(GetDlgItem(about, IDC_VERSION)));
        PostMessageA(about, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntilGone(about));
    });
}

// The common dialogs open in the suggested folder with the suggested name, and add the default
// extension to a bare name: the chosen path is that folder joined with the name typed.
struct FileDialogCase {
    const char *name;
    int button, box;
    const char *caption, *suggested, *typed, *chosen;
};

class FileDialog : public GuiTest, public ::testing::WithParamInterface<FileDialogCase> {};

TEST_P(FileDialog, OpensInTheSuggestedFolderWithTheSuggestedName) {
    const FileDialogCase &c = GetParam();
    Run([&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_INPUT_FILE, Path("app.hex").c_str());
        SetDlgItemTextA(dialog, IDC_OUTPUT_FILE, Path("out\\old.qvr").c_str());
        // Posted, because the button's handler returns only when the file dialog closes.
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, c.button)));
        HWND fileDialog = WaitForWindow(c.caption);
        ASSERT_TRUE(fileDialog);
        HWND nameBox = GetDlgItem(fileDialog, cmb13);
        nameBox = nameBox ? nameBox : GetDlgItem(fileDialog, edt1);
        EXPECT_EQ(c.suggested, WindowText(nameBox));
        SetWindowTextA(nameBox, c.typed);
        PostMessageA(fileDialog, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntilGone(fileDialog));
        EXPECT_EQ(Path(c.chosen), WindowText(GetDlgItem(dialog, c.box)));
    });
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, FileDialog, ::testing::Values(
    FileDialogCase{.name = "open", .button = IDC_BROWSE_INPUT, .box = IDC_INPUT_FILE, .caption = "Open",
                   .suggested = "app", .typed = "picked.hex", .chosen = "picked.hex"},
    FileDialogCase{.name = "save", .button = IDC_BROWSE_OUTPUT, .box = IDC_OUTPUT_FILE, .caption = "Save As",
                   .suggested = "app", .typed = "chosen", .chosen = "out\\chosen.qvr"}),
    [](const auto &info) { return std::string(info.param.name); });
// clang-format on

const BYTE *Resource(int id, LPCSTR type) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), type);
    return found ? static_cast<const BYTE *>(LockResource(LoadResource(nullptr, found))) : nullptr;
}

// The pictures, converted at build time from the Qt program's PNGs.
TEST(ProgramResources, IconAndLogo) {
    const BYTE *icon = Resource(IDR_MAINFRAME, RT_GROUP_ICON);
    ASSERT_TRUE(icon);
    // One image, of 32 by 32 pixels in 16 colours.
    EXPECT_EQ(std::tuple(1, 32, 32, 16), std::tuple(icon[4], icon[6], icon[7], icon[8]));
    auto *logo = reinterpret_cast<const BITMAPINFOHEADER *>(Resource(IDB_LOGO, RT_BITMAP));
    ASSERT_TRUE(logo);
    EXPECT_EQ(std::tuple(166, 51, 8), std::tuple(logo->biWidth, logo->biHeight, logo->biBitCount));
}

} // namespace
