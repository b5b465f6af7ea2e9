// The Qt adapter's parts: file dialog filters, the settings store, dialog units and the
// About box built from its template.
#include "dialog_template.h"
#include "file_dialog_filter.h"
#include "qt_settings_store.h"
#include "resource.h"
#include "template_widgets.h"

#include <QDialog>

#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(QtNameFilters, PairsBecomeQtFiltersAndStarDotStarMatchesEverything) {
    EXPECT_EQ(QStringList({"HEX Files (*.hex)", "All Files (*)"}),
              qtNameFilters("HEX Files (*.hex)|*.hex|All Files (*.*)|*.*||"));
    EXPECT_EQ(QStringList({"Firmware (*.hex *.ihx)"}), qtNameFilters("Firmware|*.hex;*.ihx||"));
    EXPECT_EQ(QStringList(), qtNameFilters(""));
}

// Paths may hold what the configuration file format treats specially.
TEST(QtSettingsStore, ValuesSurviveAReopenInTheCompanysFolder) {
    QTemporaryDir configFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configFolder.path());
    const std::string awkward = "/home/me/fw, v2/@app [1]=\"x\";\\y.hex";
    {
        QtSettingsStore store("Korvane Inc.", "lumbrix_gui");
        store.WriteString("Settings", "Input", awkward);
        store.WriteString("Settings", "Output", "");
        store.WriteUInt("Settings", "Part", 65535);
        store.WriteUInt("Settings", "Protocol", 4294967295u);
    }
    EXPECT_TRUE(QFile::exists(configFolder.filePath("Korvane Inc./lumbrix_gui.conf")));
    QtSettingsStore store("Korvane Inc.", "lumbrix_gui");
    EXPECT_EQ(awkward, store.GetString("Settings", "Input", "default"));
    EXPECT_EQ("", store.GetString("Settings", "Output", "default"));
    EXPECT_EQ(65535u, store.GetUInt("Settings", "Part", 0));
    EXPECT_EQ(4294967295u, store.GetUInt("Settings", "Protocol", 0));
    store.WriteString("Settings", "Part", "seven");
    EXPECT_EQ(3u, store.GetUInt("Settings", "Part", 3)) << "malformed values give the default";
    EXPECT_EQ(7u, store.GetUInt("Settings", "Absent", 7));
}

TEST(AboutBox, ShowsItsTemplateAndEndsWithOk) {
    QDialog about;
    buildTemplateDialog(AboutDialogTemplate(), about);
    EXPECT_EQ("Information", about.windowTitle());
    auto *ok = about.findChild<QPushButton *>("1");
    ASSERT_NE(nullptr, ok);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ("Version " PROJECT_VERSION, about.findChild<QLabel *>("1011")->text());

    QList<QSize> pictures;
    for (const QLabel *label : about.findChildren<QLabel *>()) {
        if (!label->pixmap().isNull()) {
            pictures << label->pixmap().size();
        }
        EXPECT_LE(label->sizeHint().width(), label->width()) << label->text().toStdString();
        EXPECT_TRUE(about.rect().contains(label->geometry())) << label->text().toStdString();
    }
    EXPECT_EQ(QList<QSize>({QSize(32, 32), QSize(166, 51)}), pictures);

    about.show();
    ok->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(QDialog::Accepted, about.result());
}

} // namespace
