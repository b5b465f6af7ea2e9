// The real Qt dialog, driven through its widgets as a user would, with its settings in a
// temporary configuration folder.
#include "qt_converter_dialog.h"
#include "qt_settings_store.h"

#include <QComboBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

namespace {

// Data at 0x80000, as an extended linear address record and one data record.
constexpr const char *kFirmware = ":020000040008F2\n"
                                  ":10000000000102030405060708090A0B0C0D0E0F78\n"
                                  ":00000001FF\n";

class QtConverterDialogTest : public ::testing::Test {
  protected:
    QTemporaryDir configFolder;
    QTemporaryDir files;
    std::unique_ptr<QtSettingsStore> settings;

    void SetUp() override {
        ASSERT_TRUE(configFolder.isValid() && files.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configFolder.path());
        settings = std::make_unique<QtSettingsStore>(kRegistryKey, "lumbrix_gui");
    }

    QString path(const QString &name) const { return files.filePath(name); }
    QString writeFirmware(const QString &name) const {
        std::ofstream(path(name).toStdString()) << kFirmware;
        return path(name);
    }

    static QLineEdit *edit(QWidget &dialog, const char *id) {
        return dialog.findChild<QLineEdit *>(id);
    }
    static QComboBox *list(QWidget &dialog, const char *id) {
        return dialog.findChild<QComboBox *>(id);
    }
    static QString pane(QWidget &dialog, const char *indicator) {
        return dialog.findChild<QLabel *>(indicator)->text();
    }
    static void typeInto(QLineEdit *box, const QString &text) {
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }
    // Opens the closed list and picks the entry with the keyboard.
    static void choose(QComboBox *combo, int index) {
        combo->setFocus();
        while (combo->currentIndex() < index) {
            QTest::keyClick(combo, Qt::Key_Down);
        }
        while (combo->currentIndex() > index) {
            QTest::keyClick(combo, Qt::Key_Up);
        }
    }
};

// The status panes keep their widths' proportions, and grow with a font wider than the
// platform's so that the longest texts still fit.
TEST_F(QtConverterDialogTest, EveryControlFitsAndNoCaptionIsClipped) {
    QtConverterDialog dialog(*settings);
    dialog.show();
    for (QWidget *control : dialog.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (qobject_cast<QMenu *>(control)) {
            continue;
        }
        EXPECT_TRUE(dialog.rect().contains(control->geometry()))
            << control->objectName().toStdString();
    }
    for (const QLabel *label : dialog.findChildren<QLabel *>(Qt::FindDirectChildrenOnly)) {
        EXPECT_LE(label->sizeHint().width(), label->width()) << label->text().toStdString();
    }
    for (const QPushButton *button : dialog.findChildren<QPushButton *>()) {
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()), button->width());
    }
    const int widths[] = {60, 105, 195, 90};
    const char *longest[] = {"  Tarvic5516", "  Protocol unspecified", "  Conversion Succeeded",
                             ""};
    const auto *first = dialog.findChild<QLabel *>("101");
    for (int i = 0; i < 4; ++i) {
        const auto *label = dialog.findChild<QLabel *>(QString::number(101 + i));
        EXPECT_GE(label->width(), widths[i]);
        EXPECT_NEAR(label->width() * widths[0], first->width() * widths[i], widths[0] + widths[i]);
        EXPECT_LE(label->fontMetrics().horizontalAdvance(longest[i]), label->width());
        EXPECT_TRUE(dialog.rect().contains(label->mapTo(&dialog, label->rect().bottomRight())));
    }
}

TEST_F(QtConverterDialogTest, TypingChoosingAndConvertingWritesTheDownloadFile) {
    QtConverterDialog dialog(*settings);
    dialog.show();
    typeInto(edit(dialog, "1000"), writeFirmware("app.hex"));
    typeInto(edit(dialog, "1001"), path("app.qvr"));
    choose(list(dialog, "1010"), 2);
    choose(list(dialog, "1014"), 1);
    EXPECT_EQ("  Tarvic5513", pane(dialog, "101"));
    EXPECT_EQ("  Protocol 6", pane(dialog, "102"));

    QTest::mouseClick(dialog.findChild<QPushButton *>("1004"), Qt::LeftButton);
    EXPECT_EQ("  Conversion Succeeded", pane(dialog, "103"));
    std::ifstream download(path("app.qvr").toStdString(), std::ios::binary);
    EXPECT_EQ('3', download.get()) << "Type 6 files begin with the part code";

    QTest::keyClick(edit(dialog, "1001"), Qt::Key_Backspace);
    EXPECT_EQ(" ", pane(dialog, "103"));

    typeInto(edit(dialog, "1000"), path("missing.hex"));
    dialog.findChild<QPushButton *>("1004")->setFocus();
    QTest::keyClick(dialog.findChild<QPushButton *>("1004"), Qt::Key_Return);
    EXPECT_EQ("  Conversion Failed", pane(dialog, "103")) << "Enter presses a focused button";
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(QtConverterDialogTest, CloseBoxSavesAndTheNextStartRestores) {
    {
        QtConverterDialog dialog(*settings);
        dialog.show();
        typeInto(edit(dialog, "1000"), "/fw/app.hex");
        typeInto(edit(dialog, "1001"), "/out/app.qvr");
        choose(list(dialog, "1010"), 5);
        choose(list(dialog, "1014"), 1);
        EXPECT_TRUE(dialog.close());
        EXPECT_EQ(QDialog::Rejected, dialog.result());
    }
    settings.reset();
    settings = std::make_unique<QtSettingsStore>(kRegistryKey, "lumbrix_gui");
    QtConverterDialog reopened(*settings);
    EXPECT_EQ("/fw/app.hex", edit(reopened, "1000")->text());
    EXPECT_EQ("/out/app.qvr", edit(reopened, "1001")->text());
    EXPECT_EQ("Tarvic5516", list(reopened, "1010")->currentText());
    EXPECT_EQ("Type 6", list(reopened, "1014")->currentText());
    EXPECT_EQ("  Tarvic5516", pane(reopened, "101"));
}

// Escape cancels; Enter on an edit box or a closed list is OK. Neither saves.
TEST_F(QtConverterDialogTest, EscapeAndEnterEndWithoutSaving) {
    settings->WriteString("Settings", "Input", "/kept.hex");
    for (auto [key, id, result] : {std::tuple{Qt::Key_Escape, "1000", QDialog::Rejected},
                                   std::tuple{Qt::Key_Return, "1000", QDialog::Accepted},
                                   std::tuple{Qt::Key_Enter, "1014", QDialog::Accepted}}) {
        QtConverterDialog dialog(*settings);
        dialog.show();
        typeInto(edit(dialog, "1000"), "/changed.hex");
        QTest::keyClick(dialog.findChild<QWidget *>(id), key);
        EXPECT_FALSE(dialog.isVisible()) << key;
        EXPECT_EQ(result, dialog.result()) << key;
    }
    EXPECT_EQ("/kept.hex", settings->GetString("Settings", "Input", ""));
}

TEST_F(QtConverterDialogTest, ADroppedFileNamesTheInput) {
    QtConverterDialog dialog(*settings);
    dialog.show();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path("dropped.hex"))});
    const QPoint onInput = edit(dialog, "1001")->geometry().center();
    QDragEnterEvent enter(onInput, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(onInput), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &drop);
    EXPECT_EQ(path("dropped.hex"), edit(dialog, "1000")->text());
    EXPECT_EQ("", edit(dialog, "1001")->text());

    QMimeData remote;
    remote.setUrls({QUrl("https://example.com/app.hex")});
    QDragEnterEvent refused(onInput, Qt::CopyAction, &remote, Qt::LeftButton, Qt::NoModifier);
    refused.setAccepted(false);
    QApplication::sendEvent(&dialog, &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(QtConverterDialogTest, TheContextMenuOffersTheAboutBox) {
    QtConverterDialog dialog(*settings);
    auto *menu = dialog.findChild<QMenu *>();
    ASSERT_NE(nullptr, menu);
    QStringList items;
    for (const QAction *action : menu->actions()) {
        items << (action->isSeparator() ? "-" : action->text());
    }
    EXPECT_EQ(QStringList({"-", "&About LumbrixW..."}), items);
}

} // namespace
