// The real lumbrix_gui.exe, driven from outside: what the Win32 adapter maps the dialog logic
// onto (registry values, control notifications, status bar, About box, common file dialogs).
// What the logic decides is the dialog logic suite's (tests/dialog).
#include "gui_process.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <dlgs.h>

#include <filesystem>
#include <fstream>

namespace {

const char kSettingsKey[] = "Software\\Korvane Inc.\\lumbrix_gui\\Settings";

void Store(const char *name, DWORD type, const void *data, DWORD size) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, name, type, data, size);
}

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

class GuiTest : public ::testing::Test {
  protected:
    std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                   ("lumbrix-gui-" + std::to_string(GetCurrentProcessId()));

    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Korvane Inc.\\lumbrix_gui");
        std::filesystem::create_directories(folder / "out");
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string Path(const char *name) const { return (folder / name).string(); }
};

TEST_F(GuiTest, RegistryValuesFillTheDialogAndTheCloseCommandStoresThem) {
    const char input[] = "E:\\fw\\app.hex";
    const DWORD part = 3;
    Store("Input", REG_SZ, input, sizeof input);
    Store("Part", REG_DWORD, &part, sizeof part);
    GuiProcess gui;
    ASSERT_TRUE(gui.Dialog());
    EXPECT_EQ(input, gui.Text(IDC_INPUT_FILE));
    EXPECT_EQ(3, gui.Selection(IDC_PART));
    EXPECT_EQ("  Tarvic5514", gui.PaneText(0));

    gui.Type(IDC_OUTPUT_FILE, "C:\\out.qvr");
    gui.Choose(IDC_PROTOCOL, 1);
    EXPECT_EQ(0u, gui.Close());
    EXPECT_EQ("1:E:\\fw\\app.hex", Stored("Input"));
    EXPECT_EQ("1:C:\\out.qvr", Stored("Output"));
    EXPECT_EQ("4:3", Stored("Part"));
    EXPECT_EQ("4:1", Stored("Protocol"));
}

TEST_F(GuiTest, EscapeEndsWithoutStoring) {
    GuiProcess gui;
    ASSERT_TRUE(gui.Dialog());
    gui.Type(IDC_INPUT_FILE, "C:\\after.hex");
    EXPECT_EQ(0u, gui.PressEscape());
    EXPECT_EQ("", Stored("Input"));
}

// The selections reach the engine only through their change notifications.
TEST_F(GuiTest, ConvertWritesTheChosenPartAndProtocol) {
    GuiProcess gui;
    ASSERT_TRUE(gui.Dialog());
    std::ofstream(Path("app.hex")) << ":020000040008F2\n:0400100001020304E2\n:00000001FF\n";
    gui.Type(IDC_INPUT_FILE, Path("app.hex"));
    gui.Type(IDC_OUTPUT_FILE, Path("app.qvr"));
    gui.Choose(IDC_PART, 2);
    gui.Choose(IDC_PROTOCOL, 1);
    gui.Click(IDC_CONVERT);
    EXPECT_EQ("  Conversion Succeeded", gui.PaneText(2));
    EXPECT_EQ(1u + 519, std::filesystem::file_size(Path("app.qvr")));
    EXPECT_EQ('3', std::ifstream(Path("app.qvr")).get());
    gui.Close();
}

TEST_F(GuiTest, SystemCommandOpensTheAboutBoxOverTheDialog) {
    GuiProcess gui;
    ASSERT_TRUE(gui.Dialog());
    PostMessageA(gui.Dialog(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = FindProcessWindow(gui.Id(), "Information");
    ASSERT_TRUE(about);
    EXPECT_EQ(gui.Dialog(), GetWindow(about, GW_OWNER));
    EXPECT_EQ("Version " PROJECT_VERSION, WindowText(GetDlgItem(about, IDC_VERSION)));
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntilGone(about));
    EXPECT_EQ(0u, gui.Close());
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
    GuiProcess gui;
    ASSERT_TRUE(gui.Dialog());
    gui.Type(IDC_INPUT_FILE, Path("app.hex"));
    gui.Type(IDC_OUTPUT_FILE, Path("out\\old.qvr"));
    gui.ClickLater(c.button);
    HWND dialog = FindProcessWindow(gui.Id(), c.caption);
    ASSERT_TRUE(dialog);
    HWND nameBox = GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
    EXPECT_EQ(c.suggested, WindowText(nameBox));
    SendMessageA(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.typed));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntilGone(dialog));
    EXPECT_EQ(Path(c.chosen), gui.Text(c.box));
    gui.Close();
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, FileDialog, ::testing::Values(
    FileDialogCase{.name = "open", .button = IDC_BROWSE_INPUT, .box = IDC_INPUT_FILE, .caption = "Open",
                   .suggested = "app", .typed = "picked.hex", .chosen = "picked.hex"},
    FileDialogCase{.name = "save", .button = IDC_BROWSE_OUTPUT, .box = IDC_OUTPUT_FILE, .caption = "Save As",
                   .suggested = "app", .typed = "chosen", .chosen = "out\\chosen.qvr"}),
    [](const auto &info) { return std::string(info.param.name); });
// clang-format on

} // namespace
