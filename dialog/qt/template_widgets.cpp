#include "template_widgets.h"

#include "resource.h"

#include <QComboBox>
#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Rounds like the platform's MulDiv: the nearest whole pixel.
int scale(int units, int baseUnit, int divisor) {
    return (units * baseUnit + divisor / 2) / divisor;
}

QWidget *createWidget(const ControlTemplate &control, QWidget *parent) {
    const QString caption = QString::fromStdString(control.caption);
    switch (control.kind) {
    case ControlKind::DropDownList:
        return new QComboBox(parent);
    case ControlKind::EditBox:
        return new QLineEdit(parent);
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        // Only the default button takes Enter pressed on another control.
        auto *button = new QPushButton(caption, parent);
        button->setAutoDefault(control.kind == ControlKind::DefPushButton);
        button->setDefault(control.kind == ControlKind::DefPushButton);
        return button;
    }
    case ControlKind::StaticText:
    case ControlKind::PlainText: {
        auto *label = new QLabel(caption, parent);
        label->setTextFormat(control.kind == ControlKind::PlainText ? Qt::PlainText : Qt::AutoText);
        return label;
    }
    case ControlKind::GroupBox: {
        // A frame drawn around its neighbours, not their parent: it stays beneath them and
        // must not take their clicks.
        auto *groupBox = new QGroupBox(caption, parent);
        groupBox->setAttribute(Qt::WA_TransparentForMouseEvents);
        groupBox->lower();
        return groupBox;
    }
    case ControlKind::IconPicture:
    case ControlKind::BitmapPicture: {
        auto *picture = new QLabel(parent);
        picture->setPixmap(resourcePixmap(control.image));
        return picture;
    }
    }
    return nullptr;
}

QRect dialogUnitsToPixels(const DialogRect &rect, DialogBaseUnits units) {
    return {scale(rect.x, units.x, 4), scale(rect.y, units.y, 8), scale(rect.width, units.x, 4),
            scale(rect.height, units.y, 8)};
}

// Pictures keep their own size and lists their closed height, as on the platform, where a
// list's template height is that of its dropped-down list. Group boxes rise by half a line:
// templates expect the frame's top edge through the middle of the title, where Qt's styles
// draw it below the title.
QRect controlGeometry(const ControlTemplate &control, const QWidget &widget,
                      DialogBaseUnits units) {
    QRect geometry = dialogUnitsToPixels(control.rect, units);
    switch (control.kind) {
    case ControlKind::GroupBox:
        geometry.setTop(geometry.top() - units.y / 2);
        break;
    case ControlKind::DropDownList:
        geometry.setHeight(widget.sizeHint().height());
        break;
    case ControlKind::IconPicture:
    case ControlKind::BitmapPicture:
        geometry.setSize(widget.sizeHint());
        break;
    default:
        break;
    }
    return geometry;
}

QFont dialogFont(const DialogTemplate &dialog) {
    const QString family = QString::fromStdString(dialog.fontName);
    QFont font = QFontDatabase::hasFamily(family)
                     ? QFont(family)
                     : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(dialog.pointSize);
    return font;
}

} // namespace

DialogBaseUnits dialogBaseUnits(const QFont &font) {
    const QFontMetrics metrics(font);
    const int alphabetWidth = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(alphabetWidth / 26 + 1) / 2, metrics.height()};
}

QPixmap resourcePixmap(int resourceId) {
    return QPixmap(QStringLiteral(":/images/%1.png").arg(resourceId));
}

QHash<int, QWidget *> buildTemplateDialog(const DialogTemplate &dialog, QDialog &window) {
    window.setObjectName(QString::number(dialog.id));
    window.setWindowTitle(QString::fromStdString(dialog.caption));
    window.setFont(dialogFont(dialog));
    const DialogBaseUnits units = dialogBaseUnits(window.font());
    window.setFixedSize(dialogUnitsToPixels({0, 0, dialog.width, dialog.height}, units).size());
    QHash<int, QWidget *> controls;
    for (const ControlTemplate &control : dialog.controls) {
        QWidget *widget = createWidget(control, &window);
        widget->setGeometry(controlGeometry(control, *widget, units));
        if (control.id != IDC_STATIC) {
            // Found by identifier, both in code and from outside; a control with a caption
            // keeps it as its accessible name, so that a screen reader says what it shows.
            const QString id = QString::number(control.id);
            widget->setObjectName(id);
            widget->setAccessibleDescription(id);
            widget->setAccessibleName(
                control.caption.empty() ? id : QString::fromStdString(control.caption));
            controls.insert(control.id, widget);
        }
    }
    if (auto *ok = qobject_cast<QPushButton *>(controls.value(IDOK))) {
        QObject::connect(ok, &QPushButton::clicked, &window, &QDialog::accept);
    }
    return controls;
}
