// The main dialog's logic over a fake view and in-memory settings, with real conversions
// into a temporary folder.
#include "fake_view.h"
#include "files.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// 16 bytes at 0x80000, the first page of both windows, and 16 at 0x87800, which only the
// 94 KiB window holds.
constexpr const char *kTwoWindowFirmware = ":020000040008F2\n"
                                           ":100000005A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A50\n"
                                           ":107800005A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5AD8\n"
                                           ":00000001FF\n";

constexpr int kType4Record = 522;

class ConverterDialogTest : public ::testing::Test {
  protected:
    TempFolder folder;
    FakeView view;
    MemorySettings settings;
    ConverterDialog dialog{view, settings};

    void SetUp() override { view.dialog = &dialog; }

    std::string Path(const std::string &name) const { return folder.path(name); }
    std::string WriteFirmware() const { return folder.write("in.hex", kTwoWindowFirmware); }
    void Open() { ASSERT_TRUE(dialog.OnInitDialog()); }
    void Store(const std::string &input, const std::string &output, std::uint32_t part,
               std::uint32_t protocol) {
        settings.values = {{"Settings/Input", input},
                           {"Settings/Output", output},
                           {"Settings/Part", std::to_string(part)},
                           {"Settings/Protocol", std::to_string(protocol)}};
    }
    // A successful conversion, so that a test can watch its status text go away.
    void ConvertSuccessfully() {
        view.Type(IDC_INPUT_FILE, WriteFirmware());
        view.Type(IDC_OUTPUT_FILE, Path("out.qvr"));
        view.Click(IDC_CONVERT);
        ASSERT_EQ("  Conversion Succeeded", view.Pane(2));
    }
};

TEST_F(ConverterDialogTest, FirstRunShowsEmptyBoxesFirstPartAndType4) {
    Open();
    EXPECT_EQ("", view.ControlText(IDC_INPUT_FILE));
    EXPECT_EQ("", view.ControlText(IDC_OUTPUT_FILE));
    EXPECT_EQ((std::vector<std::string>{"Tarvic5510", "Tarvic5512", "Tarvic5513", "Tarvic5514",
                                        "Tarvic5515", "Tarvic5516"}),
              view.lists[IDC_PART]);
    EXPECT_EQ((std::vector<std::string>{"Type 4", "Type 6"}), view.lists[IDC_PROTOCOL]);
    EXPECT_EQ(0, view.ListSelection(IDC_PART));
    EXPECT_EQ(0, view.ListSelection(IDC_PROTOCOL));
    EXPECT_EQ((std::map<int, std::string>{{0, "  Tarvic5510"}, {1, "  Protocol 4"}, {2, " "}}),
              view.paneTexts);
    EXPECT_EQ(std::vector<std::string>{"&About LumbrixW..."}, view.systemMenu);
}

// Stored numbers take effect through their low 16 bits; outside its list a number selects
// nothing (-1), Convert then touches no file, and closing writes 65535 back.
struct StoredCase {
    const char *name;
    std::uint32_t part, protocol;
    int partSelection, protocolSelection;
    const char *partPane, *protocolPane;
};

class StoredSettings : public ConverterDialogTest,
                       public ::testing::WithParamInterface<StoredCase> {};

TEST_P(StoredSettings, FillTheDialogAndGoBackOnClose) {
    const StoredCase &c = GetParam();
    Store(WriteFirmware(), Path("out.qvr"), c.part, c.protocol);
    Open();
    EXPECT_EQ(Path("in.hex"), view.ControlText(IDC_INPUT_FILE));
    EXPECT_EQ(Path("out.qvr"), view.ControlText(IDC_OUTPUT_FILE));
    EXPECT_EQ(c.partSelection, view.ListSelection(IDC_PART));
    EXPECT_EQ(c.protocolSelection, view.ListSelection(IDC_PROTOCOL));
    EXPECT_EQ((std::map<int, std::string>{{0, c.partPane}, {1, c.protocolPane}, {2, " "}}),
              view.paneTexts);

    view.Click(IDC_CONVERT);
    const bool converts = c.partSelection >= 0 && c.protocolSelection >= 0;
    EXPECT_EQ(converts ? "  Conversion Succeeded" : "  Conversion Failed", view.Pane(2));
    EXPECT_EQ(converts, fs::exists(Path("out.qvr")));
    dialog.OnClose();
    EXPECT_EQ(std::to_string(std::uint16_t(c.partSelection)), settings.values["Settings/Part"]);
    EXPECT_EQ(std::to_string(std::uint16_t(c.protocolSelection)),
              settings.values["Settings/Protocol"]);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, StoredSettings, ::testing::Values(
    StoredCase{.name = "tarvic5513_type6", .part = 2, .protocol = 1, .partSelection = 2, .protocolSelection = 1,
               .partPane = "  Tarvic5513", .protocolPane = "  Protocol 6"},
    StoredCase{.name = "low_16_bits", .part = 65536, .protocol = 65537, .partSelection = 0, .protocolSelection = 1,
               .partPane = "  Tarvic5510", .protocolPane = "  Protocol 6"},
    StoredCase{.name = "part_7_is_none", .part = 7, .protocol = 0, .partSelection = -1, .protocolSelection = 0,
               .partPane = "  None", .protocolPane = "  Protocol 4"},
    StoredCase{.name = "protocol_2_is_none", .part = 0, .protocol = 2, .partSelection = 0, .protocolSelection = -1,
               .partPane = "  Tarvic5510", .protocolPane = "  Protocol unspecified"}),
    [](const auto &info) { return std::string(info.param.name); });
// clang-format on

// Type 6 files begin with the part code; Type 4 files show the flash window the code selects.
struct PartCase {
    const char *name;
    int index;
    char code;
    int type4Records;
};

class EveryPart : public ConverterDialogTest, public ::testing::WithParamInterface<PartCase> {};

TEST_P(EveryPart, ReachesTheEngineWithItsCodeInBothProtocols) {
    const PartCase &c = GetParam();
    Open();
    view.Type(IDC_INPUT_FILE, WriteFirmware());
    view.Choose(IDC_PART, c.index);
    view.Choose(IDC_PROTOCOL, 1);
    view.Type(IDC_OUTPUT_FILE, Path("type6.qvr"));
    view.Click(IDC_CONVERT);
    EXPECT_EQ(std::string(1, c.code), folder.read("type6.qvr").substr(0, 1));

    view.Choose(IDC_PROTOCOL, 0);
    view.Type(IDC_OUTPUT_FILE, Path("type4.qvr"));
    view.Click(IDC_CONVERT);
    EXPECT_EQ(c.type4Records * kType4Record, fs::file_size(Path("type4.qvr")));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, EveryPart, ::testing::Values(
    PartCase{.name = "tarvic5510", .index = 0, .code = '0', .type4Records = 1},
    PartCase{.name = "tarvic5512", .index = 1, .code = '2', .type4Records = 2},
    PartCase{.name = "tarvic5513", .index = 2, .code = '3', .type4Records = 2},
    PartCase{.name = "tarvic5514", .index = 3, .code = '4', .type4Records = 1},
    PartCase{.name = "tarvic5515", .index = 4, .code = '5', .type4Records = 2},
    PartCase{.name = "tarvic5516", .index = 5, .code = '6', .type4Records = 2}),
    [](const auto &info) { return std::string(info.param.name); });
// clang-format on

TEST_F(ConverterDialogTest, EditsAndSelectionsClearTheResult) {
    Open();
    const std::function<void()> edits[] = {
        [&] { view.Type(IDC_INPUT_FILE, view.ControlText(IDC_INPUT_FILE) + "x"); },
        [&] { view.Type(IDC_OUTPUT_FILE, view.ControlText(IDC_OUTPUT_FILE) + "x"); },
        [&] { view.Choose(IDC_PART, 5); },
        [&] { view.Choose(IDC_PROTOCOL, 1); },
    };
    for (size_t i = 0; i < std::size(edits); ++i) {
        ConvertSuccessfully();
        edits[i]();
        EXPECT_EQ(" ", view.Pane(2)) << "edit " << i;
    }
    EXPECT_EQ("  Tarvic5516", view.Pane(0));
    EXPECT_EQ("  Protocol 6", view.Pane(1));
}

// The open dialog suggests the input's own folder and name; the save dialog the input's name
// in the output's folder, or the output's name when there is no input name.
struct BrowseCase {
    const char *name;
    const char *input, *output;
    int button;
    FileDialogRequest request;
};

class Browse : public ConverterDialogTest, public ::testing::WithParamInterface<BrowseCase> {};

TEST_P(Browse, SuggestsAFolderAndName) {
    const BrowseCase &c = GetParam();
    Open();
    view.Type(IDC_INPUT_FILE, c.input);
    view.Type(IDC_OUTPUT_FILE, c.output);
    view.Click(c.button);
    const auto fields = [](const FileDialogRequest &r) {
        return std::tie(r.kind, r.defaultExtension, r.initialFileName, r.initialFolder,
                        r.confirmOverwrite, r.filter);
    };
    ASSERT_EQ(1u, view.fileRequests.size());
    EXPECT_EQ(fields(c.request), fields(view.fileRequests[0]));
}

constexpr const char *kHexFilter = "HEX Files (*.hex)|*.hex|All Files (*.*)|*.*||";
constexpr const char *kQvrFilter = "qvr Files (*.qvr)|*.qvr|";
using enum FileDialogKind;
// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, Browse, ::testing::Values(
    BrowseCase{.name = "input", .input = "/fw/app.hex", .output = "/out/old.qvr", .button = IDC_BROWSE_INPUT,
               .request = {Open, ".hex", "app", "/fw/", false, kHexFilter}},
    BrowseCase{.name = "output", .input = "/fw/app.hex", .output = "/out/old.qvr", .button = IDC_BROWSE_OUTPUT,
               .request = {Save, ".qvr", "app", "/out/", true, kQvrFilter}},
    BrowseCase{.name = "output_without_input", .input = "", .output = "/out/old.qvr", .button = IDC_BROWSE_OUTPUT,
               .request = {Save, ".qvr", "old", "/out/", true, kQvrFilter}}),
    [](const auto &info) { return std::string(info.param.name); });
// clang-format on

TEST_F(ConverterDialogTest, ChosenFileFillsItsBoxAndCancelChangesNothing) {
    Open();
    ConvertSuccessfully();
    view.Click(IDC_BROWSE_INPUT);
    view.Click(IDC_BROWSE_OUTPUT);
    EXPECT_EQ(Path("in.hex"), view.ControlText(IDC_INPUT_FILE));
    EXPECT_EQ(Path("out.qvr"), view.ControlText(IDC_OUTPUT_FILE));
    EXPECT_EQ("  Conversion Succeeded", view.Pane(2));

    view.fileDialogAnswer = Path("out.qvr"); // the same file again still counts as a choice
    view.Click(IDC_BROWSE_OUTPUT);
    EXPECT_EQ(" ", view.Pane(2));
    view.Click(IDC_BROWSE_INPUT);
    EXPECT_EQ(Path("out.qvr"), view.ControlText(IDC_INPUT_FILE));
}

TEST_F(ConverterDialogTest, OnlyTheCloseCommandSavesTheSettings) {
    Store("/old/in.hex", "/old/out.qvr", 1, 0);
    const MemorySettings before = settings;
    Open();
    view.Choose(IDC_PART, 4);
    view.Choose(IDC_PROTOCOL, 1);
    ConvertSuccessfully();
    EXPECT_EQ(before.values, settings.values);

    EXPECT_TRUE(dialog.OnClose()) << "the dialog then ends as cancelled";
    EXPECT_EQ((std::map<std::string, std::string>{{"Settings/Input", Path("in.hex")},
                                                  {"Settings/Output", Path("out.qvr")},
                                                  {"Settings/Part", "4"},
                                                  {"Settings/Protocol", "1"}}),
              settings.values);
}

TEST_F(ConverterDialogTest, SystemCommands0x10To0x1FOpenTheAboutBox) {
    Open();
    for (unsigned int command = 0x10; command <= 0x1F; ++command) {
        EXPECT_FALSE(dialog.OnSysCommand(command)) << command;
    }
    EXPECT_EQ(std::vector<int>(16, IDD_ABOUTBOX), view.modalDialogs);

    for (unsigned int command : {0x0Fu, 0x20u, 0xF060u, 0xF010u}) {
        EXPECT_TRUE(dialog.OnSysCommand(command)) << command << " is the platform's";
    }
    EXPECT_EQ(16u, view.modalDialogs.size());
}

TEST_F(ConverterDialogTest, WithoutItsTextTheAboutEntryIsLeftOut) {
    view.stringsMissing = true;
    Open();
    EXPECT_TRUE(view.systemMenu.empty());
}

// The Win32 dialog procedure hands what the table does not route to the platform.
TEST_F(ConverterDialogTest, OnlyRoutedNotificationsReachAHandler) {
    Open();
    EXPECT_TRUE(RouteNotification(dialog, IDC_CONVERT, Notification::Clicked));
    EXPECT_FALSE(RouteNotification(dialog, IDC_CONVERT, Notification::TextChanged));
    EXPECT_FALSE(RouteNotification(dialog, IDC_PART, Notification::Clicked));
    EXPECT_EQ("  Conversion Failed", view.Pane(2)) << "the click converted two empty paths";
}

} // namespace
