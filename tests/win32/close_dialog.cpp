// close_dialog PROGRAM: starts an installed lumbrix_gui.exe, waits for its window and closes
// it with the close command; exit status 0 only when the window came up and the program then
// ended normally.
#include "wait_window.h"

#include <string>

int main(int argc, char **argv) {
    if (argc != 2)
        return 2;
    std::string command = "\"" + std::string(argv[1]) + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 1;
    HWND dialog = WaitForWindow("LumbrixW");
    DWORD status = 1;
    if (dialog && PostMessageA(dialog, WM_CLOSE, 0, 0) &&
        WaitForSingleObject(process.hProcess, kPatienceMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &status);
    return status == 0 ? 0 : 1;
}
