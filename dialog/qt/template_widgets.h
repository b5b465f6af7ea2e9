// Builds Qt dialogs from dialog templates: the template's font, dialog units converted to
// pixels with that font's metrics, and one widget per control, named after its identifier.
#pragma once

#include "dialog_template.h"

#include <QFont>
#include <QHash>
#include <QPixmap>

class QDialog;
class QWidget;

// A dialog unit is a quarter of the font's average character width horizontally and an
// eighth of its height vertically.
struct DialogBaseUnits {
    int x;
    int y;
};

// A caption with the system menu and a close box, and no minimise or maximise box.
inline constexpr Qt::WindowFlags kCaptionFlags = Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                 Qt::WindowSystemMenuHint |
                                                 Qt::WindowCloseButtonHint;

DialogBaseUnits dialogBaseUnits(const QFont &font);

QPixmap resourcePixmap(int resourceId);

// Gives `window` the template's identifier as its name, its caption, font and size, and its
// controls in template order, which is also their tab order; an OK button accepts. The
// numbered controls come back by identifier.
QHash<int, QWidget *> buildTemplateDialog(const DialogTemplate &dialog, QDialog &window);
