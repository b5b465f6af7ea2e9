// The resources built into lumbrix_gui.exe: the dialog templates against the ones the dialog
// logic is written for, the About entry's text, the pictures and the version block.
#include "dialog_template.h"
#include "gui_process.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class Reader {
  public:
    explicit Reader(const BYTE *at) : m_at(at) {}

    template <typename T> T Next() {
        T value;
        std::memcpy(&value, m_at, sizeof value);
        m_at += sizeof value;
        return value;
    }

    // A name or number field: 0xFFFF and a number, or a zero-ended UTF-16 string.
    std::string NameOrNumber() {
        if (Peek() == 0xFFFF) {
            Next<WORD>();
            return "#" + std::to_string(Next<WORD>());
        }
        return Text();
    }

    std::string Text() {
        std::wstring wide;
        while (WORD c = Next<WORD>())
            wide += static_cast<wchar_t>(c);
        std::string text(wide.size() * 3, '\0');
        text.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                        text.data(), static_cast<int>(text.size()), nullptr,
                                        nullptr));
        return text;
    }

    void AlignToDword(const BYTE *base) {
        while ((m_at - base) % 4)
            ++m_at;
    }

  private:
    WORD Peek() const { return *reinterpret_cast<const WORD *>(m_at); }
    const BYTE *m_at;
};

struct Item {
    DWORD style;
    DialogRect rect;
    int id;
    std::string windowClass;
    std::string caption;
};

struct Dialog {
    DWORD style;
    DWORD exStyle;
    int x;
    int y;
    int width;
    int height;
    std::string caption;
    int pointSize;
    std::string font;
    std::vector<Item> items;
};

class ProgramResources : public ::testing::Test {
  protected:
    static HMODULE module;

    static void SetUpTestSuite() {
        module = LoadLibraryExA(GuiProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite() { FreeLibrary(module); }

    static const BYTE *Resource(int id, LPCSTR type) {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
        return found ? static_cast<const BYTE *>(LockResource(LoadResource(module, found)))
                     : nullptr;
    }

    static Dialog ReadDialog(int id) {
        const BYTE *base = Resource(id, RT_DIALOG);
        Reader in(base);
        Dialog dialog{};
        dialog.style = in.Next<DWORD>();
        dialog.exStyle = in.Next<DWORD>();
        WORD count = in.Next<WORD>();
        dialog.x = in.Next<short>();
        dialog.y = in.Next<short>();
        dialog.width = in.Next<short>();
        dialog.height = in.Next<short>();
        in.NameOrNumber(); // menu
        in.NameOrNumber(); // window class
        dialog.caption = in.Text();
        if (dialog.style & DS_SETFONT) {
            dialog.pointSize = in.Next<WORD>();
            dialog.font = in.Text();
        }
        for (WORD i = 0; i < count; ++i) {
            in.AlignToDword(base);
            Item item{};
            item.style = in.Next<DWORD>();
            in.Next<DWORD>(); // extended style
            short x = in.Next<short>(), y = in.Next<short>();
            short width = in.Next<short>(), height = in.Next<short>();
            item.rect = {x, y, width, height};
            item.id = static_cast<short>(in.Next<WORD>());
            item.windowClass = in.NameOrNumber();
            item.caption = in.NameOrNumber();
            in.Next<WORD>(); // no creation data
            dialog.items.push_back(item);
        }
        return dialog;
    }
};

HMODULE ProgramResources::module;

// What each kind of control must be in the template: its predefined class and the bits of
// its style that make it that kind.
struct KindOfControl {
    const char *windowClass;
    DWORD typeMask;
    DWORD type;
    DWORD alsoSet;
};

KindOfControl Expected(ControlKind kind) {
    constexpr DWORD buttonType = 0xF;
    switch (kind) {
    case ControlKind::DropDownList:
        return {"#133", 0xF | CBS_SORT, CBS_DROPDOWNLIST, WS_TABSTOP};
    case ControlKind::EditBox:
        return {"#129", ES_MULTILINE, 0, WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP};
    case ControlKind::PushButton:
        return {"#128", buttonType, BS_PUSHBUTTON, WS_TABSTOP};
    case ControlKind::DefPushButton:
        return {"#128", buttonType, BS_DEFPUSHBUTTON, WS_TABSTOP};
    case ControlKind::StaticText:
        return {"#130", SS_TYPEMASK, SS_LEFT, 0};
    case ControlKind::GroupBox:
        return {"#128", buttonType, BS_GROUPBOX, 0};
    case ControlKind::IconPicture:
        return {"#130", SS_TYPEMASK, SS_ICON, 0};
    case ControlKind::BitmapPicture:
        return {"#130", SS_TYPEMASK, SS_BITMAP, 0};
    }
    return {};
}

void ExpectMatches(const DialogTemplate &expected, const Dialog &actual) {
    EXPECT_EQ(expected.caption, actual.caption);
    EXPECT_EQ(0, actual.x);
    EXPECT_EQ(0, actual.y);
    EXPECT_EQ(expected.width, actual.width);
    EXPECT_EQ(expected.height, actual.height);
    EXPECT_EQ(expected.fontName, actual.font);
    EXPECT_EQ(expected.pointSize, actual.pointSize);
    ASSERT_EQ(expected.controls.size(), actual.items.size());
    for (size_t i = 0; i < actual.items.size(); ++i) {
        const ControlTemplate &control = expected.controls[i];
        const Item &item = actual.items[i];
        KindOfControl kind = Expected(control.kind);
        SCOPED_TRACE("control " + std::to_string(i) + " " + control.caption);
        EXPECT_EQ(control.id, item.id);
        EXPECT_EQ(kind.windowClass, item.windowClass);
        EXPECT_EQ(kind.type, item.style & kind.typeMask);
        EXPECT_EQ(kind.alsoSet, item.style & kind.alsoSet);
        EXPECT_EQ(DWORD{WS_CHILD | WS_VISIBLE}, item.style & (WS_CHILD | WS_VISIBLE));
        EXPECT_EQ(control.rect.x, item.rect.x);
        EXPECT_EQ(control.rect.y, item.rect.y);
        EXPECT_EQ(control.rect.width, item.rect.width);
        EXPECT_EQ(control.rect.height, item.rect.height);
        std::string caption = control.image ? "#" + std::to_string(control.image) : control.caption;
        EXPECT_EQ(caption, item.caption);
    }
}

constexpr DWORD kFrame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

TEST_F(ProgramResources, MainDialogTemplate) {
    ASSERT_TRUE(Resource(IDD_CONVERTER_DIALOG, RT_DIALOG));
    Dialog dialog = ReadDialog(IDD_CONVERTER_DIALOG);
    ExpectMatches(ConverterDialogTemplate(), dialog);
    EXPECT_EQ(kFrame | WS_VISIBLE, dialog.style);
    EXPECT_EQ(DWORD{WS_EX_APPWINDOW}, dialog.exStyle);
    for (const Item &item : dialog.items)
        EXPECT_NE(DWORD{BS_DEFPUSHBUTTON}, item.style & 0xF) << item.caption;
}

TEST_F(ProgramResources, AboutBoxTemplate) {
    ASSERT_TRUE(Resource(IDD_ABOUTBOX, RT_DIALOG));
    Dialog dialog = ReadDialog(IDD_ABOUTBOX);
    ExpectMatches(AboutDialogTemplate(), dialog);
    EXPECT_EQ(kFrame, dialog.style);
    // The product name and the version line show ampersands as they are.
    EXPECT_TRUE(dialog.items[1].style & SS_NOPREFIX);
    EXPECT_TRUE(dialog.items[7].style & SS_NOPREFIX);
}

TEST_F(ProgramResources, AboutEntryIconAndLogo) {
    char text[64] = {};
    LoadStringA(module, IDS_ABOUTBOX, text, sizeof text);
    EXPECT_STREQ("&About LumbrixW...", text);

    const BYTE *group = Resource(IDR_MAINFRAME, RT_GROUP_ICON);
    ASSERT_TRUE(group);
    EXPECT_EQ(1, reinterpret_cast<const WORD *>(group)[2]) << "one image";
    const BYTE *entry = group + 6;
    EXPECT_EQ(32, entry[0]);
    EXPECT_EQ(32, entry[1]);
    EXPECT_EQ(16, entry[2]) << "colours";

    auto *logo = reinterpret_cast<const BITMAPINFOHEADER *>(Resource(IDB_LOGO, RT_BITMAP));
    ASSERT_TRUE(logo);
    EXPECT_EQ(166, logo->biWidth);
    EXPECT_EQ(51, logo->biHeight);
    EXPECT_EQ(8, logo->biBitCount);
}

std::string VersionString(const std::vector<BYTE> &block, const std::string &name) {
    char *value = nullptr;
    UINT length = 0;
    std::string path = "\\StringFileInfo\\040904b0\\" + name;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void **>(&value), &length))
        return "<absent>";
    return std::string(value, length ? length - 1 : 0);
}

TEST_F(ProgramResources, VersionBlock) {
    std::string path = GuiProgramPath();
    std::vector<BYTE> block(GetFileVersionInfoSizeA(path.c_str(), nullptr));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(
        GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void **>(&fixed), &length));
    EXPECT_EQ(MAKELONG(0, 1), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(0, 5), fixed->dwFileVersionLS);
    EXPECT_EQ(MAKELONG(0, 3), fixed->dwProductVersionMS);
    EXPECT_EQ(MAKELONG(0, 3), fixed->dwProductVersionLS);
    EXPECT_EQ(0x3Fu, fixed->dwFileFlagsMask);
    EXPECT_EQ(0u, fixed->dwFileFlags);
    EXPECT_EQ(DWORD{VOS__WINDOWS32}, fixed->dwFileOS);
    EXPECT_EQ(DWORD{VFT_APP}, fixed->dwFileType);

    WORD *translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void **>(&translation), &length));
    EXPECT_EQ(0x0409, translation[0]);
    EXPECT_EQ(0x04B0, translation[1]);

    std::string product = "Lumbrix Download Converter";
    EXPECT_EQ("", VersionString(block, "Comments"));
    EXPECT_EQ("Korvane, Inc.", VersionString(block, "CompanyName"));
    EXPECT_EQ(product + " (GUI: MFC Application)", VersionString(block, "FileDescription"));
    EXPECT_EQ("1, 0, 5, 0", VersionString(block, "FileVersion"));
    EXPECT_EQ("LumbrixW", VersionString(block, "InternalName"));
    EXPECT_EQ("\xA9 2008 Korvane, Inc.", VersionString(block, "LegalCopyright"));
    EXPECT_EQ("", VersionString(block, "LegalTrademarks"));
    EXPECT_EQ("lumbrix_gui.EXE", VersionString(block, "OriginalFilename"));
    EXPECT_EQ("", VersionString(block, "PrivateBuild"));
    EXPECT_EQ(product, VersionString(block, "ProductName"));
    EXPECT_EQ("3, 0, 3, 0", VersionString(block, "ProductVersion"));
    EXPECT_EQ("", VersionString(block, "SpecialBuild"));
}

} // namespace
