// The Qt adapter's mapping, on the real Qt dialogs with the settings in a temporary folder.
// What the logic decides is the logic suite's (converter_dialog_test.cpp).
#include "file_dialog_filter.h"
#include "files.h"
#include "qt_converter_dialog.h"
#include "qt_settings_store.h"
#include "resource.h"
#include "template_widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Data at 0x80000, as an extended linear address record and one data record.
constexpr const char *kFirmware = ":020000040008F2\n"
                                  ":10000000000102030405060708090A0B0C0D0E0F78\n"
                                  ":00000001FF\n";

class QtConverterDialogTest : public ::testing::Test {
  protected:
    QTemporaryDir configFolder;
    TempFolder files;
    std::unique_ptr<QtSettingsStore> settings;

    void SetUp() override {
        ASSERT_TRUE(configFolder.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configFolder.path());
        settings = std::make_unique<QtSettingsStore>(kRegistryKey, "lumbrix_gui");
    }

    static QLineEdit *edit(QWidget &dialog, const char *id) {
        return dialog.findChild<QLineEdit *>(id);
    }
    static QComboBox *list(QWidget &dialog, const char *id) {
        return dialog.findChild<QComboBox *>(id);
    }
};

// Whether captions fit depends on the font Qt finds for the template, which the template
// cannot fix.
void expectEverythingFits(const QWidget &dialog) {
    for (const QWidget *control : dialog.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(qobject_cast<const QMenu *>(control) ||
                    dialog.rect().contains(control->geometry()))
            << control->objectName().toStdString();
    }
    for (const QLabel *label : dialog.findChildren<QLabel *>()) {
        EXPECT_LE(label->sizeHint().width(), label->width()) << label->text().toStdString();
        EXPECT_TRUE(dialog.rect().contains(label->mapTo(&dialog, label->rect().bottomRight())));
    }
    for (const QPushButton *button : dialog.findChildren<QPushButton *>()) {
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()), button->width());
    }
}

// The status panes grow with a font wider than the platform's, so that the longest texts
// still fit.
TEST_F(QtConverterDialogTest, EveryControlFitsAndNoCaptionIsClipped) {
    QtConverterDialog dialog(*settings);
    dialog.show();
    expectEverythingFits(dialog);
    const char *longest[] = {"  Tarvic5516", "  Protocol unspecified", "  Conversion Succeeded"};
    for (int i = 0; i < 3; ++i) {
        const auto *label = dialog.findChild<QLabel *>(QString::number(ID_INDICATOR_PART + i));
        EXPECT_LE(label->fontMetrics().horizontalAdvance(longest[i]), label->width());
    }
}

TEST_F(QtConverterDialogTest, TheAboutBoxShowsItsTemplateAndEndsWithOk) {
    QDialog about;
    buildTemplateDialog(AboutDialogTemplate(), about);
    expectEverythingFits(about);
    EXPECT_EQ("Information", about.windowTitle());
    EXPECT_EQ("Version " PROJECT_VERSION, about.findChild<QLabel *>("1011")->text());
    QList<QSize> pictures;
    for (const QLabel *label : about.findChildren<QLabel *>()) {
        if (!label->pixmap().isNull()) {
            pictures << label->pixmap().size();
        }
    }
    EXPECT_EQ(QList<QSize>({QSize(32, 32), QSize(166, 51)}), pictures);

    auto *ok = about.findChild<QPushButton *>("1");
    ASSERT_TRUE(ok && ok->isDefault());
    about.show();
    ok->click();
    EXPECT_EQ(QDialog::Accepted, about.result());
}

// Each widget's signal reaches its handler: a choice reaches the conversion, a click converts,
// typing clears the result, and Enter on a focused button presses it. Rejected lines show whole
// in pane 2 and by number in its tool tip.
TEST_F(QtConverterDialogTest, TypingChoosingAndConvertingWritesTheDownloadFile) {
    QtConverterDialog dialog(*settings);
    dialog.show();
    const std::string input = files.write("app.hex", std::string("junk\n") + kFirmware + "x\n");
    edit(dialog, "1000")->setText(QString::fromStdString(input));
    edit(dialog, "1001")->setText(QString::fromStdString(files.path("app.qvr")));
    list(dialog, "1010")->setCurrentIndex(2);
    list(dialog, "1014")->setCurrentIndex(1);
    auto *convert = dialog.findChild<QPushButton *>("1004");
    const auto *pane = dialog.findChild<QLabel *>("103");
    QTest::mouseClick(convert, Qt::LeftButton);
    const QString rejected = "  Conversion Succeeded: 2 HEX lines rejected";
    EXPECT_EQ(rejected, pane->text());
    EXPECT_LE(pane->sizeHint().width(), pane->width());
    EXPECT_EQ("line 1: invalid ihex line\nline 5: invalid ihex line", pane->toolTip());
    EXPECT_EQ('3', files.read("app.qvr").at(0)) << "Type 6 files begin with the part code";

    QTest::keyClick(edit(dialog, "1001"), Qt::Key_Backspace);
    EXPECT_EQ(" ", pane->text());
    convert->setFocus();
    QTest::keyClick(convert, Qt::Key_Return);
    EXPECT_EQ(rejected, pane->text());
    EXPECT_TRUE(dialog.isVisible());
}

// The settings file lies in the company's folder, and keeps what its format treats specially.
TEST_F(QtConverterDialogTest, CloseBoxSavesAndTheNextStartRestores) {
    const QString awkward = "/home/me/fw, v2/@app [1]=\"x\";\\y.hex";
    {
        QtConverterDialog dialog(*settings);
        dialog.show();
        edit(dialog, "1000")->setText(awkward);
        list(dialog, "1010")->setCurrentIndex(5);
        list(dialog, "1014")->setCurrentIndex(1);
        EXPECT_TRUE(dialog.close());
        EXPECT_EQ(QDialog::Rejected, dialog.result());
    }
    settings.reset();
    EXPECT_TRUE(QFile::exists(configFolder.filePath("Korvane Inc./lumbrix_gui.conf")));
    settings = std::make_unique<QtSettingsStore>(kRegistryKey, "lumbrix_gui");
    QtConverterDialog reopened(*settings);
    EXPECT_EQ(awkward, edit(reopened, "1000")->text());
    EXPECT_EQ("Tarvic5516", list(reopened, "1010")->currentText());
    EXPECT_EQ("Type 6", list(reopened, "1014")->currentText());
}

// Escape cancels; Enter on an edit box or a closed list is OK. Neither saves.
TEST_F(QtConverterDialogTest, EscapeAndEnterEndWithoutSaving) {
    for (auto [key, id, result] : {std::tuple{Qt::Key_Escape, "1000", QDialog::Rejected},
                                   std::tuple{Qt::Key_Return, "1000", QDialog::Accepted},
                                   std::tuple{Qt::Key_Enter, "1014", QDialog::Accepted}}) {
        QtConverterDialog dialog(*settings);
        dialog.show();
        edit(dialog, "1000")->setText("/changed.hex");
        QTest::keyClick(dialog.findChild<QWidget *>(id), key);
        EXPECT_FALSE(dialog.isVisible()) << key;
        EXPECT_EQ(result, dialog.result()) << key;
    }
    EXPECT_EQ("", settings->GetString("Settings", "Input", ""));
}

// Only a local file is taken.
TEST_F(QtConverterDialogTest, ADroppedFileNamesTheInput) {
    QtConverterDialog dialog(*settings);
    for (const QUrl &url : {QUrl("https://example.com/app.hex"), QUrl::fromLocalFile("/a.hex")}) {
        QMimeData data;
        data.setUrls({url});
        QDragEnterEvent enter(QPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        QApplication::sendEvent(&dialog, &enter);
        EXPECT_EQ(url.isLocalFile(), enter.isAccepted());
        QDropEvent drop(QPointF(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &drop);
    }
    EXPECT_EQ("/a.hex", edit(dialog, "1000")->text());
}

TEST_F(QtConverterDialogTest, TheContextMenuOffersTheAboutBox) {
    QtConverterDialog dialog(*settings);
    const QList<QAction *> items = dialog.findChild<QMenu *>()->actions();
    ASSERT_EQ(2, items.size());
    EXPECT_TRUE(items[0]->isSeparator());
    EXPECT_EQ("&About LumbrixW...", items[1]->text());
}

TEST(QtNameFilters, PairsBecomeQtFiltersAndStarDotStarMatchesEverything) {
    EXPECT_EQ(QStringList({"HEX Files (*.hex)", "All Files (*)"}),
              qtNameFilters("HEX Files (*.hex)|*.hex|All Files (*.*)|*.*||"));
    EXPECT_EQ(QStringList({"Firmware (*.hex *.ihx)"}), qtNameFilters("Firmware|*.hex;*.ihx||"));
}

// A value that is not a 32-bit unsigned number counts as absent.
TEST_F(QtConverterDialogTest, StoredNumbersComeBackWholeOrAsTheDefault) {
    settings->WriteUInt("Settings", "Part", 4294967295u);
    settings->WriteString("Settings", "Protocol", "seven");
    EXPECT_EQ(4294967295u, settings->GetUInt("Settings", "Part", 0));
    EXPECT_EQ(3u, settings->GetUInt("Settings", "Protocol", 3));
}

} // namespace

// One QApplication for the tests. It is made only when tests run, so that listing them works
// without a display.
int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
