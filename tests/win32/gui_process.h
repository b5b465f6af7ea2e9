// Runs lumbrix_gui.exe as a separate process and drives its main dialog through window
// messages, the way a user's clicks and keys reach it.
#pragma once

#include <windows.h>

#include <string>

// The executable under test, next to the test program.
std::string GuiProgramPath();

// First top-level window of the process with this caption, waiting for it to appear.
HWND FindProcessWindow(DWORD processId, const std::string &caption);

std::string WindowText(HWND window);

// Waits for a window to be destroyed; true once it is.
bool WaitUntilGone(HWND window);

class GuiProcess {
  public:
    explicit GuiProcess(const std::string &program = GuiProgramPath());
    ~GuiProcess();
    GuiProcess(const GuiProcess &) = delete;
    GuiProcess &operator=(const GuiProcess &) = delete;

    HWND Dialog() const { return m_dialog; }
    DWORD Id() const { return m_process.dwProcessId; }
    HWND Control(int id) const { return GetDlgItem(m_dialog, id); }

    std::string Text(int id) const { return WindowText(Control(id)); }
    void Type(int id, const std::string &text);
    // Selects an entry as the user would, with the notification that follows.
    void Choose(int listId, int index);
    int Selection(int listId) const;
    void Click(int buttonId);
    // Clicks without waiting for the handler, for buttons that open a modal window.
    void ClickLater(int buttonId);
    std::string PaneText(int pane) const;

    // Ends the dialog and waits for the process to exit; its exit status.
    DWORD Close();
    DWORD PressEscape();

  private:
    DWORD WaitForExit();

    PROCESS_INFORMATION m_process = {};
    HWND m_dialog = nullptr;
};
