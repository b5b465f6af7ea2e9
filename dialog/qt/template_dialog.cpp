#include "template_dialog.h"

#include "resource.h"
#include "template_widgets.h"

#include <QPushButton>

TemplateDialog::TemplateDialog(const DialogTemplate &dialog, QWidget *parent)
    : QDialog(parent, Qt::Dialog | kCaptionFlags) {
    setObjectName(QString::number(dialog.id));
    setWindowTitle(QString::fromStdString(dialog.caption));
    setFont(dialogFont(dialog));
    const QHash<int, QWidget *> controls = createControls(dialog, this);
    if (auto *ok = qobject_cast<QPushButton *>(controls.value(IDOK))) {
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
    setFixedSize(
        dialogUnitsToPixels({0, 0, dialog.width, dialog.height}, dialogBaseUnits(font())).size());
}
