#include "win32_dialog_view.h"

#include "dialog_template.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <vector>

namespace {

// Identifier of the status bar among the dialog's children.
constexpr int kStatusBarId = 0xE801;

// Wide enough for the longest line of a status tip.
constexpr int kTipWidthPixels = 400;
constexpr int kTipShownMs = 30000;

INT_PTR CALLBACK ModalDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        CentreWindow(window);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(window, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

} // namespace

void CentreWindow(HWND window) {
    RECT area;
    HWND owner = GetWindow(window, GW_OWNER);
    if (!owner || !GetWindowRect(owner, &area))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT rect;
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string Win32DialogView::ControlText(int id) const {
    HWND control = GetDlgItem(m_window, id);
    std::string text(GetWindowTextLengthA(control) + 1, '\0');
    text.resize(GetWindowTextA(control, text.data(), static_cast<int>(text.size())));
    return text;
}

void Win32DialogView::SetControlText(int id, const std::string &text) {
    SetDlgItemTextA(m_window, id, text.c_str());
}

void Win32DialogView::AddListEntry(int listId, const std::string &entry) {
    SendDlgItemMessageA(m_window, listId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
}

void Win32DialogView::SelectListEntry(int listId, int index) {
    SendDlgItemMessageA(m_window, listId, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32DialogView::ListSelection(int listId) const {
    return static_cast<int>(SendDlgItemMessageA(m_window, listId, CB_GETCURSEL, 0, 0));
}

void Win32DialogView::CreateStatusBar(const std::vector<StatusPane> &panes) {
    m_statusBar =
        CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, m_window,
                        reinterpret_cast<HMENU>(kStatusBarId), m_instance, nullptr);
    for (const StatusPane &pane : panes)
        m_paneWidths.push_back(pane.widthPixels);
    StatusPanesLayOut();
    m_tips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, m_window, nullptr, m_instance, nullptr);
    // A tip breaks its lines at "\n" only when it has a width to wrap at.
    SendMessageA(m_tips, TTM_SETMAXTIPWIDTH, 0, kTipWidthPixels);
    // Long enough to read a few lines.
    SendMessageA(m_tips, TTM_SETDELAYTIME, TTDT_AUTOPOP, kTipShownMs);
}

// The panes sit side by side from the left edge, each as wide as asked.
void Win32DialogView::StatusPanesLayOut() {
    std::vector<int> rightEdges;
    int right = 0;
    for (int width : m_paneWidths)
        rightEdges.push_back(right += width);
    SendMessageA(m_statusBar, SB_SETPARTS, rightEdges.size(),
                 reinterpret_cast<LPARAM>(rightEdges.data()));
}

void Win32DialogView::SetStatusPaneWidth(int pane, int widthPixels) {
    m_paneWidths.at(pane) = widthPixels;
    StatusPanesLayOut();
}

void Win32DialogView::SetStatusPaneText(int pane, const std::string &text) {
    SendMessageA(m_statusBar, SB_SETTEXTA, static_cast<WPARAM>(pane),
                 reinterpret_cast<LPARAM>(text.c_str()));
    // The bar keeps itself along the bottom edge when told that its parent's size is known.
    SendMessageA(m_statusBar, WM_SIZE, 0, 0);
}

// Each pane's tip is a tool of its own over the pane, made anew with the text, since the pane
// lies where the bar was last laid out. The tool tip watches the pointer over the bar itself, so
// the dialog's message loop passes it nothing. An empty tip shows nothing.
void Win32DialogView::SetStatusPaneTip(int pane, const std::string &tip) {
    // The size that every version of the common controls takes, with no manifest asking for one.
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = m_statusBar;
    tool.uId = static_cast<UINT_PTR>(pane);
    SendMessageA(m_tips, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(m_statusBar, SB_GETRECT, static_cast<WPARAM>(pane),
                 reinterpret_cast<LPARAM>(&tool.rect));
    tool.lpszText = const_cast<char *>(tip.c_str());
    SendMessageA(m_tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

std::optional<std::string> Win32DialogView::RunFileDialog(const FileDialogRequest &request) {
    // Each field ends with a zero, and the list with one more: the filter's closing "|" and the
    // string's own terminator.
    std::string filter = request.filter;
    std::ranges::replace(filter, '|', '\0');
    // The platform wants the default extension without its dot.
    std::string extension = request.defaultExtension.substr(1);
    char path[MAX_PATH] = {};
    request.initialFileName.copy(path, MAX_PATH - 1);

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hInstance = m_instance;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir =
        request.initialFolder.empty() ? nullptr : request.initialFolder.c_str();
    dialog.lpstrDefExt = extension.c_str();
    bool confirmed;
    if (request.kind == FileDialogKind::Open) {
        dialog.Flags = OFN_HIDEREADONLY;
        confirmed = GetOpenFileNameA(&dialog);
    } else {
        dialog.Flags = request.confirmOverwrite ? OFN_OVERWRITEPROMPT : 0;
        confirmed = GetSaveFileNameA(&dialog);
    }
    return confirmed ? std::optional<std::string>(path) : std::nullopt;
}

void Win32DialogView::SetWindowIcon(int iconId) {
    auto icon = reinterpret_cast<LPARAM>(LoadIconA(m_instance, MAKEINTRESOURCEA(iconId)));
    SendMessageA(m_window, WM_SETICON, ICON_BIG, icon);
    SendMessageA(m_window, WM_SETICON, ICON_SMALL, icon);
}

void Win32DialogView::AppendSystemMenuItem(unsigned int commandId, const std::string &text) {
    if (HMENU menu = GetSystemMenu(m_window, FALSE)) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, commandId, text.c_str());
    }
}

void Win32DialogView::RunModalDialog(const DialogTemplate &dialog) {
    DialogBoxParamA(m_instance, MAKEINTRESOURCEA(dialog.id), m_window, ModalDialogProc, 0);
}

// The resource holds the text as UTF-16; this copy is in the ANSI code page.
std::string Win32DialogView::ResourceString(int id) const {
    char text[256];
    return std::string(text, LoadStringA(m_instance, id, text, sizeof text));
}
