// lumbrix_gui: the dialog program. Its whole user interface is the one modal main dialog,
// and the program ends when that dialog closes.
#include "converter_window.h"
#include "registry_settings_store.h"

#include <windows.h>

#include <commctrl.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    RegistrySettingsStore settings(kRegistryKey, ExecutableName());
    RunConverterDialog(instance, settings);
    return 0;
}
