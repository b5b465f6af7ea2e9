#include "gui_process.h"

#include "resource.h"

#include <commctrl.h>

#include <vector>

namespace {

// How long to wait for the program to react before the test gives up on it: Wine on a busy
// machine can take many seconds to show a first window.
constexpr DWORD kPatienceMs = 60000;
constexpr DWORD kPollMs = 50;

struct Search {
    DWORD processId;
    std::string caption;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) {
    auto &search = *reinterpret_cast<Search *>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == search.processId && IsWindowVisible(window) &&
        WindowText(window) == search.caption) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

std::string GuiProgramPath() {
    char path[MAX_PATH];
    std::string self(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return self.substr(0, self.find_last_of('\\') + 1) + "lumbrix_gui.exe";
}

HWND FindProcessWindow(DWORD processId, const std::string &caption) {
    Search search{processId, caption, nullptr};
    for (DWORD waited = 0; waited < kPatienceMs && !search.found; waited += kPollMs) {
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            Sleep(kPollMs);
    }
    return search.found;
}

bool WaitUntilGone(HWND window) {
    for (DWORD waited = 0; waited < kPatienceMs && IsWindow(window); waited += kPollMs)
        Sleep(kPollMs);
    return !IsWindow(window);
}

std::string WindowText(HWND window) {
    char text[1024] = {};
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

GuiProcess::GuiProcess(const std::string &program) {
    std::string command = "\"" + program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &m_process))
        return;
    WaitForInputIdle(m_process.hProcess, kPatienceMs);
    m_dialog = FindProcessWindow(m_process.dwProcessId, "LumbrixW");
}

// A test that stopped half-way must not leave its program running into the next one.
GuiProcess::~GuiProcess() {
    if (!m_process.hProcess)
        return;
    if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(m_process.hProcess, 1);
    CloseHandle(m_process.hThread);
    CloseHandle(m_process.hProcess);
}

void GuiProcess::Type(int id, const std::string &text) {
    SendMessageA(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void GuiProcess::Choose(int listId, int index) {
    SendMessageA(Control(listId), CB_SETCURSEL, index, 0);
    SendMessageA(m_dialog, WM_COMMAND, MAKEWPARAM(listId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Control(listId)));
}

int GuiProcess::Selection(int listId) const {
    return static_cast<int>(SendMessageA(Control(listId), CB_GETCURSEL, 0, 0));
}

void GuiProcess::Click(int buttonId) {
    SendMessageA(Control(buttonId), BM_CLICK, 0, 0);
}

void GuiProcess::ClickLater(int buttonId) {
    PostMessageA(m_dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(buttonId)));
}

// The status bar writes its text into the caller's buffer, so the buffer must live in the
// program's own address space.
std::string GuiProcess::PaneText(int pane) const {
    HWND bar = FindWindowExA(m_dialog, nullptr, STATUSCLASSNAMEA, nullptr);
    constexpr SIZE_T size = 512;
    void *remote = VirtualAllocEx(m_process.hProcess, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    SendMessageA(bar, SB_GETTEXTA, pane, reinterpret_cast<LPARAM>(remote));
    std::vector<char> text(size);
    ReadProcessMemory(m_process.hProcess, remote, text.data(), size, nullptr);
    VirtualFreeEx(m_process.hProcess, remote, 0, MEM_RELEASE);
    return text.data();
}

DWORD GuiProcess::Close() {
    PostMessageA(m_dialog, WM_CLOSE, 0, 0);
    return WaitForExit();
}

// The key goes to the focused control's queue, where the dialog's own keyboard handling
// turns it into Cancel.
DWORD GuiProcess::PressEscape() {
    HWND input = Control(IDC_INPUT_FILE);
    PostMessageA(input, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(input, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    return WaitForExit();
}

DWORD GuiProcess::WaitForExit() {
    DWORD status = STILL_ACTIVE;
    if (WaitForSingleObject(m_process.hProcess, kPatienceMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(m_process.hProcess, &status);
    return status;
}
