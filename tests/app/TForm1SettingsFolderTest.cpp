// Where the real window keeps its files when it cannot keep them where it was started.
#include "AppFixture.h"
#include "ScopedEnvironment.h"
#include "TForm1.h"
#include "TForm_Options.h"
#include "TestRow.h"

#include <QCheckBox>
#include <QDialog>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <sys/stat.h>

namespace {

// A start folder the user cannot write (as a menu starts a program in "/" or in a
// read-only share) needs a user that file permissions apply to: an ordinary user, or root
// with the file rights of user "nobody". The first start is a first run in the
// configuration folder; what it set, and a favorite added, are there at the second start,
// which is no first run.
TEST(SettingsFolder, AnUnwritableStartFolderKeepsItsSettingsInTheConfigurationFolder) {
    AppFixture app;
    TempDir config;
    ScopedEnvironment env;
    env.Set("QUARRIX_HOME", std::nullopt);
    env.Set("XDG_CONFIG_HOME", config.Path());
    const std::string folder = config.File("Quarrix");
    ASSERT_EQ(chmod(config.Path().c_str(), 0777), 0);
    ASSERT_EQ(chmod(app.Dir.Path().c_str(), 0555), 0);
    const std::optional<bool> kept = RunWithoutRootFileRights([&] {
        MessageRecorder messages;
        int firstRunDialogs = 0;
        // The first-run options dialog, shown for real: Cheating-Death off, then OK.
        app.Create([&](QWidget* modal) {
            ++firstRunDialogs;
            ASSERT_EQ(modal, Form_Options);
            Form_Options->CheckBox[1]->setChecked(false);
            QTest::mouseClick(Form_Options->suiButton_OK, Qt::LeftButton);
        });
        app.Show();
        const bool first = firstRunDialogs == 1 && Form1->StartDirectory == folder &&
                           Form_Options->IniStructure[SlotRunCD] == "0";
        Form1->Model().Favorites.Add(TestRow("127.0.0.9").Protocol("47").Counts("1", "16"));
        Form1->close();
        app.Destroy();

        app.Create([&](QWidget*) { ++firstRunDialogs; });
        app.Show();
        const bool second = firstRunDialogs == 1 && Form1->StartDirectory == folder &&
                            Form_Options->IniStructure[SlotRunCD] == "0" &&
                            Form1->Model().Favorites.size() == 1 &&
                            Form1->Model().Favorites[0].IP == "127.0.0.9";
        Form1->close();
        app.Destroy();
        if (!first || !second || !messages.Seen.empty())
            std::cerr << "first start " << first << ", second start " << second
                      << ", first-run dialogs " << firstRunDialogs << ", messages "
                      << messages.Seen.size() << "\n";
        return first && second && messages.Seen.empty();
    });
    ASSERT_EQ(chmod(app.Dir.Path().c_str(), 0700), 0);
    ASSERT_TRUE(kept.has_value()) << "could not run as a user without root's rights";
    EXPECT_TRUE(*kept);
    struct stat info {};
    ASSERT_EQ(stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_TRUE(std::filesystem::is_regular_file(folder + "/Quarrix.ini"));
    EXPECT_TRUE(std::filesystem::is_regular_file(folder + "/favorite47.dat"));
    EXPECT_FALSE(std::filesystem::exists(app.Dir.File("Quarrix.ini")));
}

} // namespace
