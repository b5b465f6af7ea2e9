// The real Qt dialog, driven through its widgets as a user would, with its settings in a
// temporary configuration folder.
#include "qt_converter_dialog.h"
#include "qt_settings_store.h"

#include <QComboBox>
#include <QDropEvent>
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
    static QString pane(QWidget &dialog, const char *indicator) {
        return dialog.findChild<QLabel *>(indicator)->text();
    }
    static void typeInto(QLineEdit *box, const QString &text) {
        box->clear();
        QTest::keyClicks(box, text);
    }
    // Picks the entry of the closed list with the keyboard, from the top.
    static void choose(QWidget &dialog, const char *id, int index) {
        auto *combo = dialog.findChild<QComboBox *>(id);
        QTest::keyClick(combo, Qt::Key_Home);
        for (int i = 0; i < index; ++i) {
            QTest::keyClick(combo, Qt::Key_Down);
        }
    }
};

// The status panes keep their widths' proportions, and grow with a font wider than the
// platform's so that the longest texts still fit.
TEST_F(QtConverterDialogTest, EveryControlFitsAndNoCaptionIsClipped) {
    QtConverterDialog dialog(*settings);
    dialog.show();
    for (QWidget *control : dialog.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(qobject_cast<QMenu *>(control) || dialog.rect().contains(control->geometry()))
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
    const int first = dialog.findChild<QLabel *>("101")->width();
    for (int i = 0; i < 4; ++i) {
        const auto *label = dialog.findChild<QLabel *>(QString::number(101 + i));
        EXPECT_GE(label->width(), widths[i]);
        EXPECT_NEAR(label->width() * widths[0], first * widths[i], widths[0] + widths[i]);
        EXPECT_LE(label->fontMetrics().horizontalAdvance(longest[i]), label->width());
        EXPECT_TRUE(dialog.rect().contains(label->mapTo(&dialog, label->rect().bottomRight())));
    }
}

// Each widget's signal reaches its handler: typing, choosing and clicking convert, and Enter
// on a focused button presses it.
TEST_F(QtConverterDialogTest, TypingChoosingAndConvertingWritesTheDownloadFile) {
    QtConverterDialog dialog(*settings);
    dialog.show();
    typeInto(edit(dialog, "1000"), writeFirmware("app.hex"));
    typeInto(edit(dialog, "1001"), path("app.qvr"));
    choose(dialog, "1010", 2);
    choose(dialog, "1014", 1);
    auto *convert = dialog.findChild<QPushButton *>("1004");
    QTest::mouseClick(convert, Qt::LeftButton);
    EXPECT_EQ("  Conversion Succeeded", pane(dialog, "103"));
    std::ifstream download(path("app.qvr").toStdString(), std::ios::binary);
    EXPECT_EQ('3', download.get()) << "Type 6 files begin with the part code";

    QTest::keyClick(edit(dialog, "1001"), Qt::Key_Backspace);
    EXPECT_EQ(" ", pane(dialog, "103"));
    convert->setFocus();
    QTest::keyClick(convert, Qt::Key_Return);
    EXPECT_EQ("  Conversion Succeeded", pane(dialog, "103"));
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(QtConverterDialogTest, CloseBoxSavesAndTheNextStartRestores) {
    {
        QtConverterDialog dialog(*settings);
        dialog.show();
        typeInto(edit(dialog, "1000"), "/fw/app.hex");
        typeInto(edit(dialog, "1001"), "/out/app.qvr");
        choose(dialog, "1010", 5);
        choose(dialog, "1014", 1);
        EXPECT_TRUE(dialog.close());
        EXPECT_EQ(QDialog::Rejected, dialog.result());
    }
    settings = std::make_unique<QtSettingsStore>(kRegistryKey, "lumbrix_gui");
    QtConverterDialog reopened(*settings);
    EXPECT_EQ("/fw/app.hex", edit(reopened, "1000")->text());
    EXPECT_EQ("/out/app.qvr", edit(reopened, "1001")->text());
    EXPECT_EQ("Tarvic5516", reopened.findChild<QComboBox *>("1010")->currentText());
    EXPECT_EQ("Type 6", reopened.findChild<QComboBox *>("1014")->currentText());
}

// Escape cancels; Enter on an edit box or a closed list is OK. Neither saves.
TEST_F(QtConverterDialogTest, EscapeAndEnterEndWithoutSaving) {
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
    EXPECT_EQ("", settings->GetString("Settings", "Input", ""));
}

// Only a local file is taken, dropped anywhere, the output box included.
TEST_F(QtConverterDialogTest, ADroppedFileNamesTheInput) {
    QtConverterDialog dialog(*settings);
    dialog.show();
    const QPoint onOutput = edit(dialog, "1001")->geometry().center();
    for (const QUrl &url : {QUrl("https://example.com/app.hex"), QUrl::fromLocalFile("/a.hex")}) {
        QMimeData data;
        data.setUrls({url});
        QDragEnterEvent enter(onOutput, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        QApplication::sendEvent(&dialog, &enter);
        EXPECT_EQ(url.isLocalFile(), enter.isAccepted());
        QDropEvent drop(QPointF(onOutput), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &drop);
    }
    EXPECT_EQ("/a.hex", edit(dialog, "1000")->text());
    EXPECT_EQ("", edit(dialog, "1001")->text());
}

TEST_F(QtConverterDialogTest, TheContextMenuOffersTheAboutBox) {
    QtConverterDialog dialog(*settings);
    QStringList items;
    for (const QAction *action : dialog.findChild<QMenu *>()->actions()) {
        items << (action->isSeparator() ? "-" : action->text());
    }
    EXPECT_EQ(QStringList({"-", "&About LumbrixW..."}), items);
}

} // namespace
