// Counter-Strike 1.6 through Steam in the real window, offscreen: the Steam client is a
// recording program on a PATH the test sets, the game a Steam library's folder, the server
// a simulated one of today's binary dialect on 127.61.x.x answering the auto-join.
#include "AppFixture.h"
#include "AutoJoinController.h"
#include "Dialogs.h"
#include "FakeServer.h"
#include "RecordingProgram.h"
#include "RunAddresses.h"
#include "ScopedEnvironment.h"
#include "TForm1.h"
#include "TForm_Options.h"
#include "TForm_Password.h"
#include "TNMUDP.h"
#include "TestRow.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using Lines = std::vector<std::string>;

// The game in a Steam library, with its own cstrike/config.cfg; the Steam client found on
// PATH records how it was started.
class Steam : public ::testing::Test {
protected:
    Steam() {
        std::filesystem::create_directories(Game + "/cstrike");
        std::filesystem::create_directories(App.Dir.File("bin"));
        App.Dir.Write("lib/steamapps/common/Half-Life/hl_linux", "");
        App.Dir.Write("lib/steamapps/common/Half-Life/cstrike/config.cfg", "name \"Gordon\"\r\n");
        WriteRecordingProgram(App.Dir.File("bin/steam"), App.Dir.File("steam.txt"));
        Env.Set("PATH", App.Dir.File("bin"));
        Env.Set("HOME", App.Dir.File("home"));
    }

    AppFixture App;
    ScopedEnvironment Env;
    MessageRecorder Messages;
    const std::string Game = App.Dir.File("lib/steamapps/common/Half-Life");
};

// The auto-join finds room on a server that needs a password and joins it through Steam;
// the player name comes from the library's config.cfg and the exit puts the favorites over
// the library's favsvrs.dat, not beside the client.
TEST_F(Steam, AutoJoinOfASimulatedServerStartsSteamWithTheConnectLine) {
    FakeServerFarm farm;
    FakeServerConfig config;
    config.Ip = RunIp("127.61.0.1");
    config.Name = "Today";
    config.Players = 3;
    config.Password = true;
    config.Dialect = FakeDialect::Binary;
    config.Challenge = true;
    farm.Add(config);
    ASSERT_TRUE(farm.Start()) << farm.LastError();
    App.WriteIni("WindowStates/RemWindowStates=0\nFavorite/Synchronize=0\nRunSettings/RunCD=0\n"
                 "RunSettings/Minimize=0\nAutoActions/Confirm=0\nModulePath/PathCS1.6=" +
                 Game + "\n");
    App.Create();
    App.Show();
    EXPECT_EQ(Form1->Edit_CSName->currentText(), QStringLiteral("Gordon"));
    Form1->NMUDP3 = std::make_unique<TNMUDP>(0);
    Form1->ConnectAutoJoinEndpoint();
    Dialogs::SetNextAnswer(DialogKind::Password, [](QDialog& dialog) {
        auto& prompt = static_cast<TForm_Password&>(dialog);
        prompt.Password->setText(QStringLiteral("pw"));
        QTest::mouseClick(prompt.OKBtn, Qt::LeftButton);
        return prompt.result();
    });
    Find<QLineEdit>("Edit_Auto1")->setText(QStringLiteral("Today"));
    Find<QLineEdit>("Edit_Auto2")->setText(QString::fromStdString(config.Ip));
    Find<QLineEdit>("Edit_Auto3")->setText(QStringLiteral("27015"));
    QTest::mouseClick(Find<QToolButton>("ToolButton_AutoJoin"), Qt::LeftButton);
    // Ticks until the server's reply (after its challenge) has been judged and joined.
    const std::string record = App.Dir.File("steam.txt");
    for (int tick = 0; tick < 20 && !std::filesystem::exists(record); ++tick) {
        Form1->AutoJoin->Timer_AutoJoinTimer();
        QTest::qWaitFor([&] { return std::filesystem::exists(record); }, 250);
    }
    const std::optional<Lines> lines = WaitForRecord(record);
    ASSERT_TRUE(lines) << "Steam was never started";
    EXPECT_EQ(*lines, (Lines{Game, "-applaunch", "10", "+connect", config.Ip + ":27015",
                             "+password", "pw"}));
    EXPECT_EQ(Dialogs::PendingAnswers(DialogKind::Password), 0);
    EXPECT_TRUE(Messages.Seen.empty());

    Form1->Model().Favorites.Add(TestRow(config.Ip).Protocol("47").Counts("3", "16"));
    Form1->close();
    App.Destroy();
    EXPECT_TRUE(std::filesystem::is_regular_file(Game + "/favsvrs.dat"));
    EXPECT_FALSE(std::filesystem::exists(App.Dir.File("lib/steamapps/common/favsvrs.dat")));
}

// Names of the files the open dialog lists in its folder under its current filter.
QStringList Listed(QFileDialog& dialog) {
    QStringList names;
    for (auto* view : dialog.findChildren<QAbstractItemView*>()) {
        if (view->objectName() != QStringLiteral("listView"))
            continue;
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < view->model()->rowCount(root); ++row)
            names << view->model()->index(row, 0, root).data().toString();
    }
    names.sort();
    return names;
}

// The game path's open dialog, shown for real, lists the Steam client and the native game
// under a filter of their own, and a picked client is taken as the CS 1.6 path.
TEST_F(Steam, TheGamePathDialogOffersSteamAndTheNativeGame) {
    const std::string folder = App.Dir.File("games");
    std::filesystem::create_directories(folder);
    for (const char* file : {"hl.exe", "hl_linux", "steam", "notes.txt"})
        App.Dir.Write(std::string("games/") + file, "");
    App.WriteIni("WindowStates/RemWindowStates=0\nFavorite/Synchronize=0\nModulePath/PathCS1.6=" +
                 folder + "/hl.exe\n");
    App.Create();
    App.Show();
    QStringList byDefault, steam;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Listed(*dialog).isEmpty(); }, 5000));
        byDefault = Listed(*dialog);
        const QStringList filters = dialog->nameFilters();
        ASSERT_EQ(filters.size(), 2);
        dialog->selectNameFilter(filters[1]);
        QTest::qWaitFor([&] { return Listed(*dialog).contains(QStringLiteral("steam")); }, 5000);
        steam = Listed(*dialog);
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
            ->setText(QString::fromStdString(folder + "/steam"));
        static_cast<QDialog*>(dialog)->accept();
    });
    Form_Options->suiButton4->click();
    EXPECT_EQ(byDefault, QStringList{QStringLiteral("hl.exe")});
    EXPECT_EQ(steam, (QStringList{QStringLiteral("hl_linux"), QStringLiteral("steam")}));
    EXPECT_EQ(Form_Options->suiEdit4->text(), QString::fromStdString(folder + "/steam"));
    EXPECT_TRUE(Messages.Seen.empty()) << "no library: no favsvrs.dat is looked for";
}

} // namespace
