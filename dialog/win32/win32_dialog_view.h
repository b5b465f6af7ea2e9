// The dialog logic's view over a real Win32 dialog window, its controls and a common-controls
// status bar.
#pragma once

#include "dialog_view.h"

#include <windows.h>

#include <vector>

class Win32DialogView : public DialogView {
  public:
    Win32DialogView(HINSTANCE instance, HWND window) : m_instance(instance), m_window(window) {}

    std::string ControlText(int id) const override;
    void SetControlText(int id, const std::string &text) override;

    void AddListEntry(int listId, const std::string &entry) override;
    void SelectListEntry(int listId, int index) override;
    int ListSelection(int listId) const override;

    void CreateStatusBar(const std::vector<StatusPane> &panes) override;
    void SetStatusPaneWidth(int pane, int widthPixels) override;
    void SetStatusPaneText(int pane, const std::string &text) override;
    void SetStatusPaneTip(int pane, const std::string &tip) override;

    std::optional<std::string> RunFileDialog(const FileDialogRequest &request) override;

    void SetWindowIcon(int iconId) override;
    void AppendSystemMenuItem(unsigned int commandId, const std::string &text) override;

    void RunModalDialog(const DialogTemplate &dialog) override;

    std::string ResourceString(int id) const override;

  private:
    void StatusPanesLayOut();

    HINSTANCE m_instance;
    HWND m_window;
    HWND m_statusBar = nullptr;
    std::vector<int> m_paneWidths;
    HWND m_tips = nullptr; // the status panes' tool tips
};

// Centres a window over its owner, or on the screen's work area when it has none.
void CentreWindow(HWND window);
