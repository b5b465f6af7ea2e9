// The real lumbrix_gui.exe, driven from outside: settings in the registry, the status bar,
// conversions, the About box and the file dialogs.
#include "gui_process.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <dlgs.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

const char kSettingsKey[] = "Software\\Korvane Inc.\\lumbrix_gui\\Settings";
const char kFirmware[] = ":020000040008F2\r\n:0400100001020304E2\r\n:00000001FF\r\n";

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void StoreString(const char *name, const std::string &value) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, name, REG_SZ, value.c_str(),
                    static_cast<DWORD>(value.size() + 1));
}

void StoreNumber(const char *name, DWORD value) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, name, REG_DWORD, &value, sizeof value);
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
    std::string folder;

    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Korvane Inc.\\lumbrix_gui");
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "lumbrix-gui-" + std::to_string(GetCurrentProcessId()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
        CreateDirectoryA(folder.c_str(), nullptr);
    }

    void TearDown() override {
        std::string files = folder + "*";
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA(files.c_str(), &entry);
        while (search != INVALID_HANDLE_VALUE) {
            DeleteFileA((folder + entry.cFileName).c_str());
            if (!FindNextFileA(search, &entry))
                break;
        }
        FindClose(search);
        RemoveDirectoryA(folder.c_str());
    }

    std::string WriteFirmware(const std::string &name) const {
        std::string path = folder + name;
        std::ofstream(path, std::ios::binary) << kFirmware;
        return path;
    }
};

TEST_F(GuiTest, StoredSettingsFillTheDialogAndCloseStoresThem) {
    StoreString("Input", "E:\\fw\\app.hex");
    StoreString("Output", "D:\\out\\old.qvr");
    StoreNumber("Part", 3);
    StoreNumber("Protocol", 1);
    GuiProcess gui;
    ASSERT_TRUE(gui.Dialog());
    EXPECT_EQ("E:\\fw\\app.hex", gui.Text(IDC_INPUT_FILE));
    EXPECT_EQ("D:\\out\\old.qvr", gui.Text(IDC_OUTPUT_FILE));
    EXPECT_EQ(3, gui.Selection(IDC_PART));
    EXPECT_EQ(1, gui.Selection(IDC_PROTOCOL));
    EXPECT_EQ("  Tarvic5514", gui.PaneText(0));
    EXPECT_EQ("  Protocol 6", gui.PaneText(1));

    gui.Type(IDC_INPUT_FILE, "C:\\fw\\app.hex");
    gui.Type(IDC_OUTPUT_FILE, "");
    gui.Choose(IDC_PART, 5);
    gui.Choose(IDC_PROTOCOL, 0);
    EXPECT_EQ(0u, gui.Close());
    EXPECT_EQ("1:C:\\fw\\app.hex", Stored("Input"));
    EXPECT_EQ("1:", Stored("Output"));
    EXPECT_EQ("4:5", Stored("Part"));
    EXPECT_EQ("4:0", Stored("Protocol"));
}

TEST_F(GuiTest, ConvertWritesTheChosenPartAndProtocol) {
    GuiProcess gui;
    ASSERT_TRUE(gui.Dialog());
    std::string output = folder + "app.qvr";
    gui.Type(IDC_INPUT_FILE, WriteFirmware("app.hex"));
    gui.Type(IDC_OUTPUT_FILE, output);
    gui.Choose(IDC_PART, 2);
    gui.Choose(IDC_PROTOCOL, 1);
    EXPECT_EQ("  Tarvic5513", gui.PaneText(0));
    EXPECT_EQ("  Protocol 6", gui.PaneText(1));

    gui.Click(IDC_CONVERT);
    EXPECT_EQ("  Conversion Succeeded", gui.PaneText(2));
    std::string file = ReadFile(output);
    ASSERT_EQ(1u + 519, file.size());
    EXPECT_EQ('3', file[0]);
    gui.Close();
}

TEST_F(GuiTest, EscapeLeavesTheSettingsAlone) {
    StoreString("Input", "C:\\before.hex");
    StoreNumber("Part", 1);
    GuiProcess gui;
    ASSERT_TRUE(gui.Dialog());
    gui.Type(IDC_INPUT_FILE, "C:\\after.hex");
    gui.Choose(IDC_PART, 4);
    EXPECT_EQ(0u, gui.PressEscape());
    EXPECT_EQ("1:C:\\before.hex", Stored("Input"));
    EXPECT_EQ("4:1", Stored("Part"));
    EXPECT_EQ("", Stored("Output"));
    EXPECT_EQ("", Stored("Protocol"));
}

TEST_F(GuiTest, SystemCommandOpensTheAboutBox) {
    GuiProcess gui;
    ASSERT_TRUE(gui.Dialog());
    PostMessageA(gui.Dialog(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = FindProcessWindow(gui.Id(), "Information");
    ASSERT_TRUE(about);
    EXPECT_EQ(gui.Dialog(), GetWindow(about, GW_OWNER));
    EXPECT_EQ("Version " PROJECT_VERSION, WindowText(GetDlgItem(about, IDC_VERSION)));
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntilGone(about));
    EXPECT_EQ("  Tarvic5510", gui.PaneText(0));
    EXPECT_EQ(0u, gui.Close());
}

// Typing a bare name into a file dialog shows where it opened: the chosen path is that
// folder joined with the name.
std::string AnswerFileDialog(const GuiProcess &gui, const char *caption, const std::string &name,
                             std::string *suggested) {
    HWND dialog = FindProcessWindow(gui.Id(), caption);
    if (!dialog)
        return "no file dialog";
    HWND nameBox = GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
    *suggested = WindowText(nameBox);
    SendMessageA(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    return WaitUntilGone(dialog) ? "" : "the file dialog stayed open";
}

TEST_F(GuiTest, BrowseSuggestsNamesInTheFoldersOfThePaths) {
    CreateDirectoryA((folder + "out").c_str(), nullptr);
    GuiProcess gui;
    ASSERT_TRUE(gui.Dialog());
    gui.Type(IDC_INPUT_FILE, folder + "app.hex");
    gui.Type(IDC_OUTPUT_FILE, folder + "out\\old.qvr");

    std::string suggested;
    gui.ClickLater(IDC_BROWSE_OUTPUT);
    EXPECT_EQ("", AnswerFileDialog(gui, "Save As", "chosen", &suggested));
    EXPECT_EQ("app", suggested);
    EXPECT_EQ(folder + "out\\chosen.qvr", gui.Text(IDC_OUTPUT_FILE));
    EXPECT_EQ(" ", gui.PaneText(2));

    gui.Type(IDC_INPUT_FILE, "");
    gui.ClickLater(IDC_BROWSE_OUTPUT);
    EXPECT_EQ("", AnswerFileDialog(gui, "Save As", "again", &suggested));
    EXPECT_EQ("chosen", suggested);

    gui.Type(IDC_INPUT_FILE, folder + "app.hex");
    gui.ClickLater(IDC_BROWSE_INPUT);
    EXPECT_EQ("", AnswerFileDialog(gui, "Open", "picked.hex", &suggested));
    EXPECT_EQ("app", suggested);
    EXPECT_EQ(folder + "picked.hex", gui.Text(IDC_INPUT_FILE));
    gui.Close();
}

} // namespace
