// The main dialog of the dialog program: two file paths, the part and the protocol lists,
// the Convert button and a four-pane status bar. It drives a DialogView and keeps the user's
// last choices in a SettingsStore. The toolkit adapter routes the window's messages to the
// On... handlers, and its controls' notifications through MessageMap().
#pragma once

#include <cstdint>
#include <string>

class DialogView;
class SettingsStore;

class ConverterDialog {
  public:
    ConverterDialog(DialogView &view, SettingsStore &settings);

    // Fills the controls from the settings. True: focus goes to the first control.
    bool OnInitDialog();

    // The two window messages that the platform also handles: each returns true when the
    // platform's own processing is to follow.
    bool OnSysCommand(unsigned int commandId);
    // The close command: saves the paths and choices, then lets the dialog end as cancelled.
    bool OnClose();

    void OnBrowseInput();
    void OnBrowseOutput();
    void OnConvert();

    void OnChangeInput();
    void OnChangeOutput();
    void OnSelchangePart();
    void OnSelchangeProtocol();

    void UpdateStatusBar();

  private:
    // The outcome in pane 2, and what its tip adds (empty for no tip).
    void ShowStatus(const std::string &text, const std::string &detail = "");

    std::string m_statusText;
    std::string m_statusDetail;
    std::uint16_t m_partIndex;
    std::uint16_t m_protocolIndex;
    DialogView &m_view;
    SettingsStore &m_settings;
};
