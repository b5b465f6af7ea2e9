// The application object: the program's whole user interface is one modal ConverterDialog,
// and the program ends when that dialog closes.
#pragma once

#include <functional>
#include <utility>

class ConverterApp {
  public:
    // Company key under which the per-user settings store keeps the application's section.
    static constexpr const char *kRegistryKey = "Korvane Inc.";

    // `runMainDialog` shows the main dialog modally and returns once it has ended.
    explicit ConverterApp(std::function<void()> runMainDialog)
        : m_runMainDialog(std::move(runMainDialog)) {}

    // Runs the main dialog to its end. Always false: nothing is left to do afterwards, so the
    // program enters no event loop of its own and exits.
    bool InitInstance() {
        m_runMainDialog();
        return false;
    }

  private:
    std::function<void()> m_runMainDialog;
};
