// The main dialog's logic over a fake view and in-memory settings, with real conversions
// into a temporary folder.
#include "converter_dialog.h"
#include "dialog_template.h"
#include "dialog_view.h"
#include "files.h"
#include "message_map.h"
#include "resource.h"
#include "settings_store.h"
#include "split_path.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// A DialogView that records what the logic does and lets a test act as the user.
class FakeView : public DialogView {
  public:
    ConverterDialog *dialog = nullptr;

    std::map<int, std::string> texts;
    std::map<int, std::vector<std::string>> lists;
    std::map<int, int> selections;
    std::map<int, std::string> paneTexts;
    std::map<int, std::string> paneTips;
    std::map<int, int> paneWidths;
    std::vector<FileDialogRequest> fileRequests;
    std::optional<std::string> fileDialogAnswer;
    std::vector<int> modalDialogs;

    // The user's side, notified through the adapters' message map.
    void Type(int id, const std::string &text) {
        texts[id] = text;
        RouteNotification(*dialog, id, Notification::TextChanged);
    }
    void Choose(int listId, int index) {
        selections[listId] = index;
        RouteNotification(*dialog, listId, Notification::SelectionChanged);
    }
    void Click(int buttonId) { RouteNotification(*dialog, buttonId, Notification::Clicked); }

    std::string ControlText(int id) const override {
        return texts.contains(id) ? texts.at(id) : "";
    }
    void SetControlText(int id, const std::string &text) override { Type(id, text); }
    void AddListEntry(int listId, const std::string &entry) override {
        lists[listId].push_back(entry);
    }
    void SelectListEntry(int listId, int index) override {
        selections[listId] = index < std::ssize(lists[listId]) ? index : -1;
    }
    int ListSelection(int listId) const override {
        return selections.contains(listId) ? selections.at(listId) : -1;
    }
    void CreateStatusBar(const std::vector<StatusPane> &) override {}
    void SetStatusPaneWidth(int pane, int widthPixels) override { paneWidths[pane] = widthPixels; }
    void SetStatusPaneText(int pane, const std::string &text) override { paneTexts[pane] = text; }
    void SetStatusPaneTip(int pane, const std::string &tip) override { paneTips[pane] = tip; }
    std::optional<std::string> RunFileDialog(const FileDialogRequest &request) override {
        fileRequests.push_back(request);
        return fileDialogAnswer;
    }
    void SetWindowIcon(int) override {}
    void AppendSystemMenuItem(unsigned int, const std::string &) override {}
    void RunModalDialog(const DialogTemplate &dialogTemplate) override {
        modalDialogs.push_back(dialogTemplate.id);
    }
    std::string ResourceString(int id) const override { return StringResource(id); }
};

// Numbers are kept as text, so that a test compares every value the same way.
class MemorySettings : public SettingsStore {
  public:
    std::map<std::string, std::string> values; // by "section/entry"

    std::string GetString(const std::string &section, const std::string &entry,
                          const std::string &defaultValue) const override {
        const auto found = values.find(section + '/' + entry);
        return found == values.end() ? defaultValue : found->second;
    }
    std::uint32_t GetUInt(const std::string &section, const std::string &entry,
                          std::uint32_t defaultValue) const override {
        return std::stoul(GetString(section, entry, std::to_string(defaultValue)));
    }
    void WriteString(const std::string &section, const std::string &entry,
                     const std::string &value) override {
        values[section + '/' + entry] = value;
    }
    void WriteUInt(const std::string &section, const std::string &entry,
                   std::uint32_t value) override {
        WriteString(section, entry, std::to_string(value));
    }
};

// 16 bytes at 0x80000, where every part's flash begins.
constexpr const char *kFirmware = ":020000040008F2\n"
                                  ":100000005A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A50\n"
                                  ":00000001FF\n";

using Panes = std::map<int, std::string>;

class ConverterDialogTest : public ::testing::Test {
  protected:
    TempFolder folder;
    FakeView view;
    MemorySettings settings;
    ConverterDialog dialog{view, settings};

    void SetUp() override { view.dialog = &dialog; }
    void Open() { ASSERT_TRUE(dialog.OnInitDialog()); }
};

TEST_F(ConverterDialogTest, FirstRunShowsEmptyBoxesFirstPartAndType4) {
    Open();
    EXPECT_EQ((std::map<int, std::string>{{IDC_INPUT_FILE, ""}, {IDC_OUTPUT_FILE, ""}}),
              view.texts);
    EXPECT_EQ((std::vector<std::string>{"Tarvic5510", "Tarvic5512", "Tarvic5513", "Tarvic5514",
                                        "Tarvic5515", "Tarvic5516"}),
              view.lists[IDC_PART]);
    EXPECT_EQ((std::vector<std::string>{"Type 4", "Type 6"}), view.lists[IDC_PROTOCOL]);
    EXPECT_EQ((Panes{{0, "  Tarvic5510"}, {1, "  Protocol 4"}, {2, " "}}), view.paneTexts);
}

// Stored numbers take effect through their low 16 bits; outside its list a number selects
// nothing, and Convert then fails without touching a file.
struct StoredCase {
    const char *name;
    std::uint32_t part, protocol;
    const char *partPane, *protocolPane;
    bool converts;
};

class StoredSettings : public ConverterDialogTest,
                       public ::testing::WithParamInterface<StoredCase> {};

// Success shows that both paths came back.
TEST_P(StoredSettings, FillTheDialog) {
    const StoredCase &c = GetParam();
    settings.values = {{"Settings/Input", folder.write("in.hex", kFirmware)},
                       {"Settings/Output", folder.path("out.qvr")},
                       {"Settings/Part", std::to_string(c.part)},
                       {"Settings/Protocol", std::to_string(c.protocol)}};
    Open();
    view.Click(IDC_CONVERT);
    const char *status = c.converts ? "  Conversion Succeeded" : "  Conversion Failed";
    EXPECT_EQ((Panes{{0, c.partPane}, {1, c.protocolPane}, {2, status}}), view.paneTexts);
    EXPECT_EQ(c.converts, fs::exists(folder.path("out.qvr")));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, StoredSettings, ::testing::Values(
    StoredCase{.name = "low_16_bits", .part = 65536, .protocol = 65537, .partPane = "  Tarvic5510", .protocolPane = "  Protocol 6", .converts = true},
    StoredCase{.name = "part_6_is_none", .part = 6, .protocol = 0, .partPane = "  None", .protocolPane = "  Protocol 4", .converts = false},
    StoredCase{.name = "protocol_2_is_none", .part = 0, .protocol = 2, .partPane = "  Tarvic5510", .protocolPane = "  Protocol unspecified", .converts = false}),
    [](const auto &info) { return std::string(info.param.name); });
// clang-format on

// Rejected lines still give the download file; pane 2 counts them and its tip names the first
// eight by number and the reader's reason.
struct RejectedCase {
    const char *name;
    std::string hex;
    const char *status, *tip;
};

class RejectedLines : public ConverterDialogTest,
                      public ::testing::WithParamInterface<RejectedCase> {};

TEST_P(RejectedLines, AreCountedAndNamedInTheStatusBar) {
    const RejectedCase &c = GetParam();
    settings.values = {{"Settings/Input", folder.write("in.hex", c.hex)},
                       {"Settings/Output", folder.path("out.qvr")}};
    Open();
    view.Click(IDC_CONVERT);
    EXPECT_EQ(std::tuple(c.status, c.tip), std::tuple(view.paneTexts[2], view.paneTips[2]));
    EXPECT_TRUE(fs::exists(folder.path("out.qvr")));
}

const std::string kBadChecksum = ":100000005A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A51\n";
// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, RejectedLines, ::testing::Values(
    RejectedCase{.name = "none", .hex = kFirmware, .status = "  Conversion Succeeded", .tip = ""},
    RejectedCase{.name = "text_after_a_record", .hex = kFirmware + std::string(":00000001FF end\n"), .status = "  Conversion Succeeded", .tip = ""},
    RejectedCase{.name = "one", .hex = kBadChecksum + kFirmware, .status = "  Conversion Succeeded: 1 HEX line rejected", .tip = "line 1: invalid checksum"},
    RejectedCase{.name = "two", .hex = kFirmware + std::string("junk\n:00000006FA\n"), .status = "  Conversion Succeeded: 2 HEX lines rejected", .tip = "line 4: invalid ihex line\nline 5: unknown format"},
    RejectedCase{.name = "long_line_once", .hex = ":" + std::string(3000, 'F') + "\n" + kFirmware, .status = "  Conversion Succeeded: 1 HEX line rejected", .tip = "line 1: invalid checksum"},
    RejectedCase{.name = "first_eight", .hex = kFirmware + std::string("x\nx\nx\nx\nx\nx\nx\nx\nx\n") + std::string(3000, 'x') + "\n", .status = "  Conversion Succeeded: 10 HEX lines rejected",
                 .tip = "line 4: invalid ihex line\nline 5: invalid ihex line\nline 6: invalid ihex line\nline 7: invalid ihex line\nline 8: invalid ihex line\nline 9: invalid ihex line\nline 10: invalid ihex line\nline 11: invalid ihex line\nand 2 more"}),
    [](const auto &info) { return std::string(info.param.name); });
// clang-format on

// A result with rejected lines, its tip and its pane widened over pane 3 last until an edit.
TEST_F(ConverterDialogTest, EditsAndSelectionsClearTheResult) {
    settings.values = {{"Settings/Input", folder.write("in.hex", kBadChecksum + kFirmware)},
                       {"Settings/Output", folder.path("out.qvr")}};
    Open();
    for (const int id : {IDC_OUTPUT_FILE, IDC_PART, IDC_PROTOCOL, IDC_INPUT_FILE}) {
        view.Click(IDC_CONVERT);
        ASSERT_EQ(195 + 90, view.paneWidths[2]);
        if (id == IDC_PART || id == IDC_PROTOCOL) {
            view.Choose(id, 1);
        } else {
            view.Type(id, view.ControlText(id) + "x");
        }
        EXPECT_EQ((std::tuple(" ", "", 195)),
                  std::tuple(view.paneTexts[2], view.paneTips[2], view.paneWidths[2]))
            << id;
    }
    EXPECT_EQ((Panes{{0, "  Tarvic5512"}, {1, "  Protocol 6"}, {2, " "}}), view.paneTexts);
    view.Click(IDC_CONVERT);
    EXPECT_EQ("  Conversion Failed", view.paneTexts[2]) << "the input is gone";
}

// The file dialogs' suggestions split paths, in either platform's style.
struct SplitCase {
    const char *name;
    const char *path;
    PathStyle style;
    PathPieces pieces;
};

class SplitPathTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitPathTest, GivesFolderAndBaseName) {
    const SplitCase &c = GetParam();
    const PathPieces pieces = SplitPath(c.path, c.style);
    EXPECT_EQ(std::tie(c.pieces.folder, c.pieces.baseName),
              std::tie(pieces.folder, pieces.baseName));
}

using enum PathStyle;
// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, SplitPathTest, ::testing::Values(
    SplitCase{.name = "windows_both_separators", .path = "C:/fw\\v2/app.hex", .style = Windows, .pieces = {"C:/fw\\v2/", "app"}},
    SplitCase{.name = "windows_drive_only", .path = "C:", .style = Windows, .pieces = {"C:", ""}},
    SplitCase{.name = "windows_share", .path = "\\\\server\\share\\app", .style = Windows, .pieces = {"\\\\server\\share\\", "app"}},
    SplitCase{.name = "posix_no_drive", .path = "E:\\fw\\app.hex", .style = Posix, .pieces = {"", "E:\\fw\\app"}},
    SplitCase{.name = "last_dot", .path = "/fw/app.v2.hex", .style = Posix, .pieces = {"/fw/", "app.v2"}},
    SplitCase{.name = "dot_in_folder", .path = "/fw.d/app", .style = Posix, .pieces = {"/fw.d/", "app"}}),
    [](const auto &info) { return std::string(info.param.name); });
// clang-format on

// The open dialog suggests the input's own folder and name; the save dialog the input's name
// in the output's folder, or the output's name when there is no input name. Cancel changes
// nothing; a chosen file fills the box.
struct BrowseCase {
    const char *name;
    const char *input;
    int button, box;
    FileDialogRequest request;
};

class Browse : public ConverterDialogTest, public ::testing::WithParamInterface<BrowseCase> {};

TEST_P(Browse, SuggestsAFolderAndNameAndTakesTheChosenFile) {
    const BrowseCase &c = GetParam();
    Open();
    view.Type(IDC_INPUT_FILE, c.input);
    view.Type(IDC_OUTPUT_FILE, "/out/old.qvr");
    const auto typed = view.texts;
    view.Click(c.button);
    EXPECT_EQ(typed, view.texts);
    const auto fields = [](const FileDialogRequest &r) {
        return std::tie(r.kind, r.defaultExtension, r.initialFileName, r.initialFolder,
                        r.confirmOverwrite, r.filter);
    };
    EXPECT_EQ(fields(c.request), fields(view.fileRequests.at(0)));

    view.fileDialogAnswer = "/chosen/file";
    view.Click(c.button);
    EXPECT_EQ("/chosen/file", view.ControlText(c.box));
}

constexpr const char *kHexFilter = "HEX Files (*.hex)|*.hex|All Files (*.*)|*.*||";
constexpr const char *kQvrFilter = "qvr Files (*.qvr)|*.qvr|";
using enum FileDialogKind;
// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, Browse, ::testing::Values(
    BrowseCase{.name = "input", .input = "/fw/app.hex", .button = IDC_BROWSE_INPUT, .box = IDC_INPUT_FILE,
               .request = {Open, ".hex", "app", "/fw/", false, kHexFilter}},
    BrowseCase{.name = "output", .input = "/fw/app.hex", .button = IDC_BROWSE_OUTPUT, .box = IDC_OUTPUT_FILE,
               .request = {Save, ".qvr", "app", "/out/", true, kQvrFilter}},
    BrowseCase{.name = "output_without_input", .input = "", .button = IDC_BROWSE_OUTPUT, .box = IDC_OUTPUT_FILE,
               .request = {Save, ".qvr", "old", "/out/", true, kQvrFilter}}),
    [](const auto &info) { return std::string(info.param.name); });
// clang-format on

TEST_F(ConverterDialogTest, OnlyTheCloseCommandSavesWhatTheDialogShows) {
    settings.values = {{"Settings/Output", "/old/out.qvr"}, {"Settings/Part", "7"}};
    const MemorySettings before = settings;
    Open();
    view.Type(IDC_INPUT_FILE, "/new/in.hex");
    view.Choose(IDC_PROTOCOL, 1);
    view.Click(IDC_CONVERT);
    EXPECT_EQ(before.values, settings.values);

    EXPECT_TRUE(dialog.OnClose()) << "the dialog then ends as cancelled";
    EXPECT_EQ((std::map<std::string, std::string>{{"Settings/Input", "/new/in.hex"},
                                                  {"Settings/Output", "/old/out.qvr"},
                                                  {"Settings/Part", "65535"},
                                                  {"Settings/Protocol", "1"}}),
              settings.values);
}

TEST_F(ConverterDialogTest, SystemCommands0x10To0x1FOpenTheAboutBox) {
    Open();
    for (unsigned int command : {0x0Fu, 0x10u, 0x1Fu, 0x20u, 0xF060u}) {
        EXPECT_EQ(command < 0x10 || command > 0x1F, dialog.OnSysCommand(command)) << command;
    }
    EXPECT_EQ(std::vector<int>(2, IDD_ABOUTBOX), view.modalDialogs);
}

// The Win32 dialog procedure hands what the table does not route to the platform.
TEST_F(ConverterDialogTest, OnlyRoutedNotificationsReachAHandler) {
    Open();
    EXPECT_TRUE(RouteNotification(dialog, IDC_CONVERT, Notification::Clicked));
    EXPECT_FALSE(RouteNotification(dialog, IDC_CONVERT, Notification::TextChanged));
}

} // namespace
