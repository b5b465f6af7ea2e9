// lumbrix_gui: converts Intel HEX files into download files in one dialog window. The program
// ends when that dialog closes.

#include "qt_converter_dialog.h"
#include "qt_settings_store.h"

#include <QApplication>

#include <cstdlib>

int main(int argc, char *argv[]) {
    QApplication application(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral("lumbrix_gui"));

    // The application is named after the executable, as the settings' location expects.
    QtSettingsStore settings(kRegistryKey, QCoreApplication::applicationName());
    QtConverterDialog dialog(settings);
    dialog.exec();
    return EXIT_SUCCESS;
}
