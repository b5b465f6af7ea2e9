// Builds Qt widgets from a dialog template: the template's font, dialog units converted to
// pixels with that font's metrics, and one widget per control, named after its identifier.
#pragma once

#include "dialog_template.h"

#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QRect>

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

QFont dialogFont(const DialogTemplate &dialog);
DialogBaseUnits dialogBaseUnits(const QFont &font);
QRect dialogUnitsToPixels(const DialogRect &rect, DialogBaseUnits units);

QPixmap resourcePixmap(int resourceId);

// Creates the controls on `parent` in template order, which is also their tab order, and
// gives back the numbered ones by identifier. The parent's font must already be set.
QHash<int, QWidget *> createControls(const DialogTemplate &dialog, QWidget *parent);
