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
    std::string WriteFirmware(const std::string &name) const {
        return folder.write(name, kTwoWindowFirmware);
    }
    void Open() { ASSERT_TRUE(dialog.OnInitDialog()); }
    void Store(const std::string &input, const std::string &output, std::uint32_t part,
               std::uint32_t protocol) {
        settings.strings = {{"Settings/Input", input}, {"Settings/Output", output}};
        settings.numbers = {{"Settings/Part", part}, {"Settings/Protocol", protocol}};
    }
    // A successful conversion, so that a test can watch its status text go away.
    void ConvertSuccessfully() {
        view.Type(IDC_INPUT_FILE, WriteFirmware("in.hex"));
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
    EXPECT_FALSE(view.paneTexts.contains(3)) << "the fourth pane is never written";
}

// Stored numbers take effect through their low 16 bits; outside a list they select nothing.
TEST_F(ConverterDialogTest, StoredSettingsFillTheBoxesAndLists) {
    struct Case {
        std::uint32_t part, protocol;
        int partSelection, protocolSelection;
        const char *partPane, *protocolPane;
    };
    for (Case c : {Case{2, 1, 2, 1, "  Tarvic5513", "  Protocol 6"},
                   Case{0, 0, 0, 0, "  Tarvic5510", "  Protocol 4"},
                   Case{65536, 65537, 0, 1, "  Tarvic5510", "  Protocol 6"},
                   Case{65535, 2, -1, -1, "  None", "  Protocol unspecified"}}) {
        SCOPED_TRACE(c.part);
        FakeView view;
        ConverterDialog dialog(view, settings);
        view.dialog = &dialog;
        Store("/fw/app.hex", "/out/app.qvr", c.part, c.protocol);
        dialog.OnInitDialog();
        EXPECT_EQ("/fw/app.hex", view.ControlText(IDC_INPUT_FILE));
        EXPECT_EQ("/out/app.qvr", view.ControlText(IDC_OUTPUT_FILE));
        EXPECT_EQ(c.partSelection, view.ListSelection(IDC_PART));
        EXPECT_EQ(c.protocolSelection, view.ListSelection(IDC_PROTOCOL));
        EXPECT_EQ(c.partPane, view.Pane(0));
        EXPECT_EQ(c.protocolPane, view.Pane(1));
        EXPECT_EQ(" ", view.Pane(2));
    }
}

TEST_F(ConverterDialogTest, NoPartMeansFailureWithoutTouchingAFileAnd65535OnClose) {
    Store(WriteFirmware("in.hex"), Path("out.qvr"), 7, 0);
    Open();
    EXPECT_EQ(-1, view.ListSelection(IDC_PART));
    EXPECT_EQ("  None", view.Pane(0));

    view.Click(IDC_CONVERT);
    EXPECT_EQ("  Conversion Failed", view.Pane(2));
    EXPECT_FALSE(fs::exists(folder.path("out.qvr")));

    dialog.OnClose();
    EXPECT_EQ(65535u, settings.numbers["Settings/Part"]);
    EXPECT_EQ(0u, settings.numbers["Settings/Protocol"]);

    view.Choose(IDC_PART, 0);
    view.Choose(IDC_PROTOCOL, -1);
    view.Click(IDC_CONVERT);
    EXPECT_EQ("  Conversion Failed", view.Pane(2)) << "no protocol";
    EXPECT_FALSE(fs::exists(folder.path("out.qvr")));

    FakeView next; // a stored protocol just past the list selects none either
    ConverterDialog nextDialog(next, settings);
    next.dialog = &nextDialog;
    Store(WriteFirmware("in.hex"), Path("out.qvr"), 0, 2);
    nextDialog.OnInitDialog();
    next.Click(IDC_CONVERT);
    EXPECT_EQ("  Conversion Failed", next.Pane(2)) << "protocol 2";
    EXPECT_FALSE(fs::exists(folder.path("out.qvr")));
}

// Every list position reaches the engine with its part code: Type 6 files begin with it, and
// Type 4 files show the flash window the code selects.
TEST_F(ConverterDialogTest, EveryPartAndProtocolReachesTheEngine) {
    const char partCodes[] = {'0', '2', '3', '4', '5', '6'};
    const bool wideWindow[] = {false, true, true, false, true, true};
    Open();
    view.Type(IDC_INPUT_FILE, WriteFirmware("in.hex"));
    for (int part = 0; part < 6; ++part) {
        SCOPED_TRACE(partCodes[part]);
        view.Choose(IDC_PART, part);

        view.Choose(IDC_PROTOCOL, 1);
        view.Type(IDC_OUTPUT_FILE, Path("type6.qvr"));
        view.Click(IDC_CONVERT);
        EXPECT_EQ("  Conversion Succeeded", view.Pane(2));
        const std::string type6 = folder.read("type6.qvr");
        ASSERT_FALSE(type6.empty());
        EXPECT_EQ(partCodes[part], type6[0]);

        view.Choose(IDC_PROTOCOL, 0);
        view.Type(IDC_OUTPUT_FILE, Path("type4.qvr"));
        view.Click(IDC_CONVERT);
        EXPECT_EQ("  Conversion Succeeded", view.Pane(2));
        EXPECT_EQ((wideWindow[part] ? 2 : 1) * kType4Record, fs::file_size(Path("type4.qvr")));
    }
}

TEST_F(ConverterDialogTest, EmptyBoxesFail) {
    Open();
    view.Click(IDC_CONVERT);
    EXPECT_EQ("  Conversion Failed", view.Pane(2));
}

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

TEST_F(ConverterDialogTest, BrowseInputSuggestsTheTypedFolderAndName) {
    Open();
    view.Type(IDC_INPUT_FILE, "/home/me/fw/app.hex");
    view.fileDialogAnswer = "/home/me/fw/other.hex";
    view.Click(IDC_BROWSE_INPUT);

    ASSERT_EQ(1u, view.fileRequests.size());
    const FileDialogRequest &request = view.fileRequests[0];
    EXPECT_EQ(FileDialogKind::Open, request.kind);
    EXPECT_EQ("/home/me/fw/", request.initialFolder);
    EXPECT_EQ("app", request.initialFileName);
    EXPECT_EQ(".hex", request.defaultExtension);
    EXPECT_EQ("HEX Files (*.hex)|*.hex|All Files (*.*)|*.*||", request.filter);
    EXPECT_FALSE(request.confirmOverwrite);
    EXPECT_EQ("/home/me/fw/other.hex", view.ControlText(IDC_INPUT_FILE));
}

TEST_F(ConverterDialogTest, BrowseOutputSuggestsTheInputNameInTheOutputFolder) {
    Open();
    view.Type(IDC_INPUT_FILE, "/fw/app.hex");
    view.Type(IDC_OUTPUT_FILE, "/out/old.qvr");
    view.fileDialogAnswer = "/out/app.qvr";
    view.Click(IDC_BROWSE_OUTPUT);
    EXPECT_EQ("/out/app.qvr", view.ControlText(IDC_OUTPUT_FILE));

    view.Type(IDC_INPUT_FILE, "");
    view.Type(IDC_OUTPUT_FILE, "/out/old.qvr");
    view.Click(IDC_BROWSE_OUTPUT);

    ASSERT_EQ(2u, view.fileRequests.size());
    const FileDialogRequest &request = view.fileRequests[0];
    EXPECT_EQ(FileDialogKind::Save, request.kind);
    EXPECT_EQ("/out/", request.initialFolder);
    EXPECT_EQ("app", request.initialFileName);
    EXPECT_EQ(".qvr", request.defaultExtension);
    EXPECT_EQ("qvr Files (*.qvr)|*.qvr|", request.filter);
    EXPECT_TRUE(request.confirmOverwrite);
    EXPECT_EQ("old", view.fileRequests[1].initialFileName) << "no input name";
}

TEST_F(ConverterDialogTest, ChosenFileClearsTheResultAndCancelChangesNothing) {
    Open();
    ConvertSuccessfully();
    const std::string input = view.ControlText(IDC_INPUT_FILE);
    const std::string output = view.ControlText(IDC_OUTPUT_FILE);

    view.fileDialogAnswer.reset();
    view.Click(IDC_BROWSE_INPUT);
    view.Click(IDC_BROWSE_OUTPUT);
    EXPECT_EQ(input, view.ControlText(IDC_INPUT_FILE));
    EXPECT_EQ(output, view.ControlText(IDC_OUTPUT_FILE));
    EXPECT_EQ("  Conversion Succeeded", view.Pane(2));

    view.fileDialogAnswer = input; // the same file again still counts as a choice
    view.Click(IDC_BROWSE_INPUT);
    EXPECT_EQ(" ", view.Pane(2));
}

TEST_F(ConverterDialogTest, OnlyTheCloseCommandSavesTheSettings) {
    Store("/old/in.hex", "/old/out.qvr", 1, 0);
    Open();
    view.Choose(IDC_PART, 4);
    view.Choose(IDC_PROTOCOL, 1);
    ConvertSuccessfully();
    const MemorySettings before = settings;
    EXPECT_EQ(before.strings,
              (std::map<std::string, std::string>{{"Settings/Input", "/old/in.hex"},
                                                  {"Settings/Output", "/old/out.qvr"}}));

    EXPECT_TRUE(dialog.OnClose()) << "the dialog then ends as cancelled";
    EXPECT_EQ(Path("in.hex"), settings.strings["Settings/Input"]);
    EXPECT_EQ(Path("out.qvr"), settings.strings["Settings/Output"]);
    EXPECT_EQ(4u, settings.numbers["Settings/Part"]);
    EXPECT_EQ(1u, settings.numbers["Settings/Protocol"]);
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

TEST_F(ConverterDialogTest, TheAboutEntryTakesItsTextFromTheStringTable) {
    view.stringsMissing = true;
    Open();
    EXPECT_TRUE(view.systemMenu.empty()) << "no text, no entry";
}

} // namespace
