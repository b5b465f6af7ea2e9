// close_dialog PROGRAM: starts an installed lumbrix_gui.exe, waits for its window and closes
// it with the close command; exit status 0 only when the window came up and the program then
// ended normally.
#include "gui_process.h"

int main(int argc, char **argv) {
    if (argc != 2)
        return 2;
    GuiProcess gui(argv[1]);
    return gui.Dialog() && gui.Close() == 0 ? 0 : 1;
}
