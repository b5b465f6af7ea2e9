// The main dialog of the dialog program: two file paths, the part and the protocol lists,
// the Convert button and a four-pane status bar. It drives a DialogView and keeps the user's
// last choices in a SettingsStore; the toolkit adapter routes the window's notifications to
// the On... handlers.
#pragma once

#include <cstdint>

class DialogView;
class SettingsStore;

class ConverterDialog {
  public:
    ConverterDialog(DialogView &view, SettingsStore &settings);

    // Fills the controls from the settings. True: focus goes to the first control.
    bool OnInitDialog();

    void OnSysCommand(unsigned int commandId);
    // The close command: saves the paths and choices, then lets the dialog end as cancelled.
    void OnClose();

    void OnBrowseInput();
    void OnBrowseOutput();
    void OnConvert();

    void OnChangeInput();
    void OnChangeOutput();
    void OnSelchangePart();
    void OnSelchangeProtocol();

    void UpdateStatusBar();

  private:
    void InstallAboutMenuItem();
    int ConvertFiles() const;
    void ShowStatus(const char *text);

    const char *m_statusText;
    std::uint16_t m_partIndex;
    std::uint16_t m_protocolIndex;
    DialogView &m_view;
    SettingsStore &m_settings;
};
