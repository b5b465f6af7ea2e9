// Runs the main dialog (template IDD_CONVERTER_DIALOG) modally, with the dialog logic behind
// its window messages and control notifications.
#pragma once

#include <windows.h>

class SettingsStore;

void RunConverterDialog(HINSTANCE instance, SettingsStore &settings);
