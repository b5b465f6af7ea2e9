// A dialog with no logic of its own, built from its template; its OK button (if any), Escape
// and the close box end it. The About box is one.
#pragma once

#include "dialog_template.h"

#include <QDialog>

class TemplateDialog : public QDialog {
    Q_OBJECT

  public:
    explicit TemplateDialog(const DialogTemplate &dialog, QWidget *parent = nullptr);
};
