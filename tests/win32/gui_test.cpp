// The real Win32 dialog with the program's resources, run inside the test program: what the
// Win32 adapter maps the dialog logic onto (controls, registry, system menu, icons, About box,
// common file dialogs). A second thread acts as the user, with the window messages that a
// user's clicks and keys send. What the logic decides is the dialog logic suite's
// (tests/dialog).
#include "converter_window.h"
#include "registry_settings_store.h"
#include "resource.h"

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

// How long to wait for the dialog before the test gives up on it: Wine on a busy machine can
// take many seconds to show a first window.
constexpr int kPatienceMs = 60000;
constexpr int kPollMs = 50;

// The stored value, its registry type before a colon: "1:path" for REG_SZ, "4:7" for a
// REG_DWORD of 7; empty when absent.
std::string Stored(const char *name) {
    char data[1024] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY | RRF_NOEXPAND, &type, data,
                     &size) != ERROR_SUCCESS)
        return "";
    std::string value =
        type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD *>(data)) : std::string(data);
    return std::to_string(type) + ":" + value;
}

std::string WindowText(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

HWND WaitForWindow(const char *caption) {
    HWND window = nullptr;
    for (int waited = 0; waited < kPatienceMs && !IsWindowVisible(window); waited += kPollMs) {
        Sleep(kPollMs);
        window = FindWindowA(nullptr, caption);
    }
    return window;
}

bool WaitUntilGone(HWND window) {
    for (int waited = 0; waited < kPatienceMs && IsWindow(window); waited += kPollMs)
        Sleep(kPollMs);
    return !IsWindow(window);
}

std::string Text(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

// Selects an entry as the user would, with the notification that follows.
void Choose(HWND dialog, int listId, int index) {
    SendDlgItemMessageA(dialog, listId, CB_SETCURSEL, index, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(listId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, listId)));
}

std::string PaneText(HWND dialog, int pane) {
    char text[256] = {};
    SendMessageA(FindWindowExA(dialog, nullptr, STATUSCLASSNAMEA, nullptr), SB_GETTEXTA, pane,
                 reinterpret_cast<LPARAM>(text));
    return text;
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

TEST_F(GuiTest, RegistryValuesFillTheDialogAndTheCloseCommandStoresThem) {
    const char input[] = "E:\\fw\\app.hex";
    const DWORD part = 3;
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "Input", REG_SZ, input, sizeof input);
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "Part", REG_DWORD, &part, sizeof part);
    Run([](HWND dialog) {
        EXPECT_EQ("E:\\fw\\app.hex", Text(dialog, IDC_INPUT_FILE));
        EXPECT_EQ("  Tarvic5514", PaneText(dialog, 0));
        SetDlgItemTextA(dialog, IDC_OUTPUT_FILE, "C:\\out.qvr");
        Choose(dialog, IDC_PROTOCOL, 1);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitUntilGone(dialog));
    });
    EXPECT_EQ("1:E:\\fw\\app.hex", Stored("Input"));
    EXPECT_EQ("1:C:\\out.qvr", Stored("Output"));
    EXPECT_EQ("4:3", Stored("Part"));
    EXPECT_EQ("4:1", Stored("Protocol"));
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
    EXPECT_EQ("", Stored("Input"));
}

// The selections reach the engine only through their change notifications.
TEST_F(GuiTest, ConvertWritesTheChosenPartAndProtocol) {
    std::ofstream(Path("app.hex")) << ":020000040008F2\n:0400100001020304E2\n:00000001FF\n";
    Run([&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_INPUT_FILE, Path("app.hex").c_str());
        SetDlgItemTextA(dialog, IDC_OUTPUT_FILE, Path("app.qvr").c_str());
        Choose(dialog, IDC_PART, 2);
        Choose(dialog, IDC_PROTOCOL, 1);
        SendDlgItemMessageA(dialog, IDC_CONVERT, BM_CLICK, 0, 0);
        EXPECT_EQ("  Conversion Succeeded", PaneText(dialog, 2));
    });
    EXPECT_EQ(1u + 519, std::filesystem::file_size(Path("app.qvr")));
    EXPECT_EQ('3', std::ifstream(Path("app.qvr")).get());
}

TEST_F(GuiTest, TheSystemMenusLastEntryOpensTheAboutBoxOverTheDialog) {
    Run([](HWND dialog) {
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
        EXPECT_EQ("Version " PROJECT_VERSION, Text(about, IDC_VERSION));
        PostMessageA(about, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntilGone(about));
    });
}

TEST_F(GuiTest, EveryIconOfTheWindowIsTheProgramIcon) {
    Run([](HWND dialog) {
        HICON programIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
        EXPECT_TRUE(programIcon);
        EXPECT_EQ(programIcon, HICON(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0)));
        EXPECT_EQ(programIcon, HICON(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0)));
        EXPECT_EQ(programIcon, HICON(SendMessageA(dialog, WM_QUERYDRAGICON, 0, 0)));
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
        EXPECT_EQ(Path(c.chosen), Text(dialog, c.box));
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
