#include "qt_converter_dialog.h"

#include "dialog_template.h"
#include "file_dialog_filter.h"
#include "message_map.h"
#include "resource.h"
#include "template_widgets.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QUrl>

#include <algorithm>

namespace {

bool isEnterKey(const QKeyEvent &event) {
    const bool plain = event.modifiers() == Qt::NoModifier;
    const bool keypad = event.modifiers() == Qt::KeypadModifier && event.key() == Qt::Key_Enter;
    return (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) && (plain || keypad);
}

} // namespace

// A window of its own, with its own taskbar button, rather than a dialog that the desktop
// files under another window.
QtConverterDialog::QtConverterDialog(SettingsStore &settings, QWidget *parent)
    : QDialog(parent, Qt::Window | kCaptionFlags), m_logic(*this, settings),
      m_systemMenu(new QMenu(this)) {
    m_controls = buildTemplateDialog(ConverterDialogTemplate(), *this);

    // Files dropped anywhere on the dialog, the edit boxes included, name the input.
    setAcceptDrops(true);
    control<QLineEdit>(IDC_INPUT_FILE)->setAcceptDrops(false);
    control<QLineEdit>(IDC_OUTPUT_FILE)->setAcceptDrops(false);

    connectNotifications();
    if (m_logic.OnInitDialog()) {
        control<QComboBox>(IDC_PART)->setFocus();
    }
}

// Each notification of the message map becomes the signal that the control's class raises
// for it.
void QtConverterDialog::connectNotifications() {
    for (const NotificationRoute &route : MessageMap()) {
        auto handle = [this, handler = route.handler] { (m_logic.*handler)(); };
        switch (route.notification) {
        case Notification::Clicked:
            connect(control<QPushButton>(route.controlId), &QPushButton::clicked, this, handle);
            break;
        case Notification::TextChanged:
            connect(control<QLineEdit>(route.controlId), &QLineEdit::textChanged, this, handle);
            break;
        case Notification::SelectionChanged:
            connect(control<QComboBox>(route.controlId), &QComboBox::currentIndexChanged, this,
                    handle);
            break;
        }
    }
}

void QtConverterDialog::closeEvent(QCloseEvent *event) {
    if (m_logic.OnClose()) {
        QDialog::closeEvent(event);
    } else {
        event->ignore();
    }
}

// There is no default button, so Enter ends the dialog through OK, unless the focus is on a
// push button, which it then presses.
void QtConverterDialog::keyPressEvent(QKeyEvent *event) {
    if (!isEnterKey(*event)) {
        QDialog::keyPressEvent(event);
    } else if (auto *focused = qobject_cast<QPushButton *>(focusWidget())) {
        focused->click();
    } else {
        accept();
    }
}

// The desktop offers no system menu to extend, so the dialog's context menu stands in for it.
void QtConverterDialog::contextMenuEvent(QContextMenuEvent *event) {
    m_systemMenu->exec(event->globalPos());
}

void QtConverterDialog::dragEnterEvent(QDragEnterEvent *event) {
    if (!droppedLocalFile(*event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void QtConverterDialog::dropEvent(QDropEvent *event) {
    const QString path = droppedLocalFile(*event->mimeData());
    if (!path.isEmpty()) {
        SetControlText(IDC_INPUT_FILE, path.toStdString());
        event->acceptProposedAction();
    }
}

QString QtConverterDialog::droppedLocalFile(const QMimeData &data) {
    for (const QUrl &url : data.urls()) {
        if (url.isLocalFile()) {
            return url.toLocalFile();
        }
    }
    return {};
}

std::string QtConverterDialog::ControlText(int id) const {
    return control<QLineEdit>(id)->text().toStdString();
}

// setText() keeps quiet about an unchanged text, but every set counts as a change.
void QtConverterDialog::SetControlText(int id, const std::string &text) {
    QLineEdit *edit = control<QLineEdit>(id);
    const QString value = QString::fromStdString(text);
    if (edit->text() == value) {
        emit edit->textChanged(value);
    } else {
        edit->setText(value);
    }
}

void QtConverterDialog::AddListEntry(int listId, const std::string &entry) {
    auto *combo = control<QComboBox>(listId);
    const QSignalBlocker quiet(combo);
    const int selection = combo->currentIndex(); // adding to an empty list would select
    combo->addItem(QString::fromStdString(entry));
    combo->setCurrentIndex(selection);
}

void QtConverterDialog::SelectListEntry(int listId, int index) {
    auto *combo = control<QComboBox>(listId);
    const QSignalBlocker quiet(combo);
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

int QtConverterDialog::ListSelection(int listId) const {
    return control<QComboBox>(listId)->currentIndex();
}

// The bar lies below the template's area; panes that do not fit are cut off at the edge.
void QtConverterDialog::CreateStatusBar(const std::vector<StatusPane> &panes) {
    m_statusBar = new QStatusBar(this);
    m_statusBar->setSizeGripEnabled(false);
    for (const StatusPane &pane : panes) {
        auto *label = new QLabel(m_statusBar);
        label->setObjectName(QString::number(pane.indicatorId));
        label->setAccessibleName(label->objectName());
        m_statusBar->addWidget(label);
        m_panes.append(label);
        SetStatusPaneWidth(m_panes.size() - 1, pane.widthPixels);
    }
    const int barHeight = m_statusBar->sizeHint().height();
    const QSize area = size();
    m_statusBar->setGeometry(0, area.height(), area.width(), barHeight);
    setFixedSize(area.width(), area.height() + barHeight);
}

// Pane widths are pixels for the platform's 8-point dialog font, whose characters average
// 6 pixels; they grow with a wider font so that the pane texts still fit.
void QtConverterDialog::SetStatusPaneWidth(int pane, int widthPixels) {
    constexpr int platformCharWidth = 6;
    const int charWidth = dialogBaseUnits(font()).x;
    m_panes.at(pane)->setFixedWidth(widthPixels * std::max(charWidth, platformCharWidth) /
                                    platformCharWidth);
}

void QtConverterDialog::SetStatusPaneText(int pane, const std::string &text) {
    m_panes.at(pane)->setText(QString::fromStdString(text));
}

// An empty tool tip shows nothing. A text without markup shows as plain text, line by line.
void QtConverterDialog::SetStatusPaneTip(int pane, const std::string &tip) {
    m_panes.at(pane)->setToolTip(QString::fromStdString(tip));
}

// Owned by the dialog, so that it opens over it.
std::optional<std::string> QtConverterDialog::RunFileDialog(const FileDialogRequest &request) {
    const bool open = request.kind == FileDialogKind::Open;
    QFileDialog fileDialog(this, open ? tr("Open") : tr("Save As"),
                           QString::fromStdString(request.initialFolder));
    fileDialog.setNameFilters(qtNameFilters(request.filter));
    fileDialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    fileDialog.setFileMode(QFileDialog::AnyFile);
    fileDialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension).remove(0, 1));
    fileDialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (!request.initialFileName.empty()) {
        fileDialog.selectFile(QString::fromStdString(request.initialFileName));
    }
    if (fileDialog.exec() != QDialog::Accepted || fileDialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return fileDialog.selectedFiles().constFirst().toStdString();
}

// Qt scales one icon to every size the desktop asks for, so the size makes no difference.
void QtConverterDialog::SetWindowIcon(int iconId) {
    setWindowIcon(QIcon(resourcePixmap(iconId)));
}

// The stand-in menu holds only the logic's own commands: none is left to the platform.
void QtConverterDialog::AppendSystemMenuItem(unsigned int commandId, const std::string &text) {
    m_systemMenu->addSeparator();
    QAction *action = m_systemMenu->addAction(QString::fromStdString(text));
    connect(action, &QAction::triggered, this,
            [this, commandId] { m_logic.OnSysCommand(commandId); });
}

void QtConverterDialog::RunModalDialog(const DialogTemplate &dialog) {
    QDialog box(this, Qt::Dialog | kCaptionFlags);
    buildTemplateDialog(dialog, box);
    box.exec();
}

std::string QtConverterDialog::ResourceString(int id) const {
    return StringResource(id);
}
