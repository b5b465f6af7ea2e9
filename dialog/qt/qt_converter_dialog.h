// The main dialog on Qt 6 Widgets: the controls of its template, a four-pane status bar
// below them, and the window's notifications routed to ConverterDialog's handlers.
#pragma once

#include "converter_dialog.h"
#include "dialog_view.h"

#include <QDialog>
#include <QHash>
#include <QList>

class QLabel;
class QMenu;
class QMimeData;
class QStatusBar;

class QtConverterDialog : public QDialog, public DialogView {
    Q_OBJECT

  public:
    explicit QtConverterDialog(SettingsStore &settings, QWidget *parent = nullptr);

    std::string ControlText(int id) const override;
    void SetControlText(int id, const std::string &text) override;
    void AddListEntry(int listId, const std::string &entry) override;
    void SelectListEntry(int listId, int index) override;
    int ListSelection(int listId) const override;
    void CreateStatusBar(const std::vector<StatusPane> &panes) override;
    void SetStatusPaneWidth(int pane, int widthPixels) override;
    void SetStatusPaneText(int pane, const std::string &text) override;
    void SetStatusPaneTip(int pane, const std::string &tip) override;
    std::optional<std::string> RunFileDialog(const FileDialogRequest &request) override;
    void SetWindowIcon(int iconId) override;
    void AppendSystemMenuItem(unsigned int commandId, const std::string &text) override;
    void RunModalDialog(const DialogTemplate &dialog) override;
    std::string ResourceString(int id) const override;

  protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

  private:
    void connectNotifications();
    template <typename Control> Control *control(int id) const {
        return qobject_cast<Control *>(m_controls.value(id));
    }
    static QString droppedLocalFile(const QMimeData &data);

    ConverterDialog m_logic;
    QHash<int, QWidget *> m_controls;
    QStatusBar *m_statusBar = nullptr;
    QList<QLabel *> m_panes;
    QMenu *m_systemMenu;
};
