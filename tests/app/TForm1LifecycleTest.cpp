#include "AppFixture.h"
#include "Gbk.h"
#include "IniFile.h"
#include "PortPanel.h"
#include "ScopedEnvironment.h"
#include "TForm1.h"
#include "TForm_Options.h"
#include "Unprivileged.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <sys/stat.h>

namespace {

const char* const SavedState = "WindowStates/Panel_ServerInfoVisible=0\n"
                               "WindowStates/GroupBox_FavoriteVisible=1\n"
                               "WindowStates/MainPosX=40\n"
                               "WindowStates/MainPosY=30\n"
                               "WindowStates/MainWidth=1000\n"
                               "WindowStates/MainHeight=700\n"
                               "WindowStates/Panel_ServerInfoWidth=250\n"
                               "WindowStates/GroupBox_FavoriteHeight=200\n";

std::vector<std::string> Calls;

void Record(MainWindowHooks& hooks, const std::string& playerName) {
    Calls.clear();
    hooks.MinimizeToTray = [] { Calls.push_back("MinimizeToTray"); };
    hooks.ReadPlayerName = [playerName] {
        Calls.push_back("ReadPlayerName");
        return playerName;
    };
    hooks.LoadFavoritesFiles = [] { Calls.push_back("LoadFavoritesFiles"); };
    hooks.RebuildFavoritesView = [] { Calls.push_back("RebuildFavoritesView"); };
    hooks.StartRefresh = [] { Calls.push_back("StartRefresh"); };
    hooks.RestoreFromTray = [] { Calls.push_back("RestoreFromTray"); };
}

} // namespace

TEST(WindowState, RememberedStateIsRestoredAtFirstShow) {
    AppFixture app;
    app.WriteIni(std::string("WindowStates/RemWindowStates=1\n") + SavedState);
    app.Create();
    app.Show();
    EXPECT_EQ(Form1->pos(), QPoint(40, 30));
    EXPECT_EQ(Form1->size(), QSize(1000, 700));
    EXPECT_TRUE(Form1->Panel_ServerInfo->isHidden());
    EXPECT_FALSE(Form1->ToolButton_ServerInfo->isChecked());
    EXPECT_FALSE(Form1->M2->isChecked());
    EXPECT_TRUE(Form1->GroupBox_Favorite->isVisible());
    EXPECT_EQ(Form1->GroupBox_Favorite->height(), 200);
    // The hidden panel comes back at its remembered width.
    Form1->M2->trigger();
    QApplication::processEvents();
    EXPECT_EQ(Form1->Panel_ServerInfo->width(), 250);
}

TEST(WindowState, ValuesThatAreNotNumbersKeepTheDesignGeometryAndTheStartGoesOn) {
    AppFixture app;
    app.WriteIni("WindowStates/RemWindowStates=1\n"
                 "WindowStates/GroupBox_FavoriteVisible=0\n"
                 "WindowStates/MainPosX=abc\n"
                 "WindowStates/MainPosY=10\n"
                 "WindowStates/MainWidth=1000\n"
                 "WindowStates/MainHeight=700\n"
                 "WindowStates/Panel_ServerInfoWidth=wide\n"
                 "SearchRange/FromIP=127.40.0.1\n"
                 "SearchRange/ToIP=127.40.0.9\n");
    app.Create();
    app.Show();
    EXPECT_EQ(Form1->pos(), QPoint(101, 125));
    EXPECT_EQ(Form1->size(), QSize(895, 602));
    EXPECT_EQ(Form1->Panel_ServerInfo->width(), 219);
    EXPECT_TRUE(Form1->GroupBox_Favorite->isHidden());
    EXPECT_EQ(Form1->Edit_ToIP->text(), QStringLiteral("127.40.0.9"));
}

TEST(WindowState, SwitchedOffStateIsIgnoredAtStartButRewrittenAtExit) {
    AppFixture app;
    app.WriteIni(std::string("WindowStates/RemWindowStates=0\n") + SavedState);
    app.Create();
    app.Show();
    EXPECT_EQ(Form1->pos(), QPoint(101, 125));
    EXPECT_EQ(Form1->size(), QSize(895, 602));
    EXPECT_TRUE(Form1->Panel_ServerInfo->isVisible());
    EXPECT_TRUE(Form1->GroupBox_Favorite->isVisible());
    Form1->close();
    EXPECT_EQ(app.IniValue("WindowStates", "MainPosX"), "101");
    EXPECT_EQ(app.IniValue("WindowStates", "MainWidth"), "895");
    EXPECT_EQ(app.IniValue("WindowStates", "Panel_ServerInfoVisible"), "1");
    EXPECT_EQ(app.IniValue("WindowStates", "Panel_ServerInfoWidth"), "219");
    EXPECT_EQ(app.IniValue("WindowStates", "GroupBox_FavoriteHeight"), "289");
}

TEST(FirstShow, RunsItsStepsInOrderOnlyOnce) {
    AppFixture app;
    app.WriteIni("Favorite/Synchronize=1\n"
                 "SearchRange/FromIP=127.40.0.1\n"
                 "SearchRange/ToIP=127.40.0.20\n"
                 "SearchPorts/Port0=27015\n"
                 "SearchPorts/Port1=\n"
                 "SearchPorts/Port2=27017\n");
    app.Create();
    Record(Form1->Hooks, G("玩家一"));
    int collapses = 0;
    Form1->ComboBox_Port->OnPortPanelCollapse = [&] {
        ++collapses;
        Calls.push_back("Collapse");
    };
    app.Show();
    const std::vector<std::string> expected = {
        "MinimizeToTray",       "Collapse",     "ReadPlayerName", "LoadFavoritesFiles",
        "RebuildFavoritesView", "StartRefresh", "RestoreFromTray"};
    EXPECT_EQ(Calls, expected);
    EXPECT_EQ(Form1->Edit_FromIP->text(), QStringLiteral("127.40.0.1"));
    EXPECT_EQ(Form1->Edit_ToIP->text(), QStringLiteral("127.40.0.20"));
    ASSERT_EQ(Form1->ListBox_Ports->count(), 2);
    EXPECT_EQ(Form1->ListBox_Ports->item(0)->text(), QStringLiteral("27015"));
    EXPECT_EQ(Form1->ListBox_Ports->item(1)->text(), QStringLiteral("27017"));
    EXPECT_EQ(Form1->Edit_CSName->currentText(), QStringLiteral("玩家一"));
    EXPECT_TRUE(Form1->Edit_CSName->isEnabled());
    EXPECT_TRUE(Form1->Button_SetName->isEnabled());

    // Coming back from the tray shows the window again without reloading anything.
    Calls.clear();
    Form1->hide();
    Form1->show();
    QApplication::processEvents();
    EXPECT_TRUE(Calls.empty());
}

TEST(FirstShow, NoPlayerNameAndNoSynchronize) {
    AppFixture app;
    app.WriteIni("Favorite/Synchronize=0\n");
    app.Create();
    Record(Form1->Hooks, "");
    app.Show();
    EXPECT_EQ(std::count(Calls.begin(), Calls.end(), "StartRefresh"), 0);
    EXPECT_EQ(Form1->Edit_CSName->currentText(), QStringLiteral("unamed"));
    EXPECT_FALSE(Form1->Edit_CSName->isEnabled());
    EXPECT_FALSE(Form1->Button_SetName->isEnabled());
}

TEST(Close, StopsWorkSavesSettingsThenWritesAndCopiesFavorites) {
    AppFixture app;
    app.WriteIni("WindowStates/RemWindowStates=0\n");
    app.Create();
    app.Show();
    Calls.clear();
    std::string fromIpAtFavorites;
    Form1->Hooks.StopContinuousRefresh = [] { Calls.push_back("StopContinuousRefresh"); };
    Form1->Hooks.PortList = [] { return std::vector<int>{27015, 27016}; };
    Form1->Hooks.SaveFavoritesFiles = [&] {
        Calls.push_back("SaveFavoritesFiles");
        fromIpAtFavorites = app.IniValue("SearchRange", "FromIP");
        return std::vector<std::string>();
    };
    Form1->Hooks.CopyFavoritesToGame = [] { Calls.push_back("CopyFavoritesToGame"); };
    Form1->Model().AutoRefreshOn = true;
    Form1->Timer_AutoJoin->start();
    Form1->Timer_RefreshServer->start(1000);
    Form1->Edit_FromIP->setText(QStringLiteral("127.40.1.1"));
    Form1->Edit_ToIP->setText(QStringLiteral("127.40.1.5"));

    Form1->close();
    const std::vector<std::string> expected = {"StopContinuousRefresh", "SaveFavoritesFiles",
                                               "CopyFavoritesToGame"};
    EXPECT_EQ(Calls, expected);
    EXPECT_EQ(fromIpAtFavorites, "127.40.1.1") << "settings are saved before the favorites";
    EXPECT_FALSE(Form1->Model().AutoRefreshOn);
    EXPECT_FALSE(Form1->Timer_AutoJoin->isActive());
    EXPECT_FALSE(Form1->Timer_RefreshServer->isActive());
    EXPECT_EQ(app.IniValue("SearchRange", "ToIP"), "127.40.1.5");
    EXPECT_EQ(app.IniValue("SearchPorts", "Port0"), "27015");
    EXPECT_EQ(app.IniValue("SearchPorts", "Port1"), "27016");
    EXPECT_EQ(app.IniValue("SearchPorts", "Port2"), "");
}

// Items of an edited settings file that are no ports, or repeat one, leave the list box as
// well as the scan's ports, so what the panel shows is what is scanned and saved.
TEST(FirstShow, RestoredPortListBoxAgreesWithThePortList) {
    AppFixture app;
    app.WriteIni("WindowStates/RemWindowStates=0\n"
                 "SearchPorts/Port0=70000\n"
                 "SearchPorts/Port1=027016\n"
                 "SearchPorts/Port2=abc\n"
                 "SearchPorts/Port3=0\n"
                 "SearchPorts/Port4=27015\n"
                 "SearchPorts/Port5=+27016\n");
    app.Create();
    app.Show();
    auto* box = Form1->findChild<QListWidget*>(QStringLiteral("ListBox_Ports"));
    auto* summary = Form1->findChild<QLineEdit*>(QStringLiteral("Edit_Ports"));
    ASSERT_TRUE(box && summary);
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->item(i)->text();
    EXPECT_EQ(items, QStringList({QStringLiteral("27016"), QStringLiteral("27015")}));
    EXPECT_EQ(Form1->PortList, (std::vector<int32_t>{27016, 27015}));
    EXPECT_EQ(summary->text(), QStringLiteral("27016  27015  "));

    Form1->close();
    EXPECT_EQ(app.IniValue("SearchPorts", "Port0"), "27016");
    EXPECT_EQ(app.IniValue("SearchPorts", "Port1"), "27015");
    EXPECT_EQ(app.IniValue("SearchPorts", "Port2"), "");
}

TEST(Destruction, StopsWorkersBeforeTheMembersAreFreed) {
    AppFixture app;
    app.WriteIni("WindowStates/RemWindowStates=0\n");
    app.Create();
    int stops = 0;
    size_t rowsSeen = 0;
    Form1->Model().SearchResults.Add(ServerStructure{});
    Form1->Hooks.StopWorkers = [&] {
        ++stops;
        rowsSeen = Form1 ? Form1->Model().SearchResults.size() : 0;
    };
    app.Destroy();
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(rowsSeen, 1u);
}

namespace {

bool SameRecord(const IniStructureType& a, const IniStructureType& b) {
    return a.Slots == b.Slots && a.Ports == b.Ports;
}

} // namespace

TEST(StartUp, SettingsFileThatIsADirectoryReadsAsFallbacksAndIsNamed) {
    AppFixture app;
    std::filesystem::create_directory(app.Dir.File("Quarrix.ini"));
    MessageRecorder messages;
    bool dialogShown = false;
    app.Create([&](QWidget* modal) {
        dialogShown = true;
        static_cast<QDialog*>(modal)->reject();
    });
    app.Show();
    EXPECT_FALSE(dialogShown) << "the file exists, so this is no first run";
    ASSERT_EQ(messages.Seen.size(), 1u);
    EXPECT_TRUE(
        messages.Seen[0].first.contains(QString::fromStdString(app.Dir.File("Quarrix.ini"))));
    EXPECT_TRUE(SameRecord(Form_Options->IniStructure, ReadSettingsFrom(IniFile())));
    EXPECT_TRUE(Form1->isVisible());
    EXPECT_FALSE(Form_Options->SaveSettings());
    // Opened again, the dialog reads the file again, but says it only once.
    Form1->OpenOptions();
    Find<QPushButton>("suiButton_Cancel")->click();
    EXPECT_EQ(messages.Seen.size(), 1u);
    Form1->close();
    ASSERT_EQ(messages.Seen.size(), 2u);
    EXPECT_TRUE(messages.Seen[1].first.contains(QStringLiteral("Quarrix.ini")));
    EXPECT_TRUE(std::filesystem::is_directory(app.Dir.File("Quarrix.ini")));
}

// The unreadable file needs a user that file permissions apply to: the test runs as an
// ordinary user, or as root with the file rights of user "nobody".
TEST(StartUp, SettingsFileThatCannotBeReadReadsAsFallbacks) {
    AppFixture app;
    app.WriteIni("RunSettings/RunCD=0\nAutoActions/Confirm=1\nWindowStates/RemWindowStates=0\n");
    const std::string file = app.Dir.File("Quarrix.ini");
    ASSERT_EQ(chmod(file.c_str(), 0), 0);
    ASSERT_EQ(chmod(app.Dir.Path().c_str(), 0777), 0);
    const std::optional<bool> started = RunWithoutRootFileRights([&] {
        MessageRecorder messages;
        app.Create([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
        app.Show();
        const bool fallbacks = SameRecord(Form_Options->IniStructure, ReadSettingsFrom(IniFile()));
        const bool named = messages.Seen.size() == 1 &&
                           messages.Seen[0].first.contains(QString::fromStdString(file));
        if (!fallbacks || !named)
            std::cerr << "fallbacks " << fallbacks << ", file named " << named << "\n";
        const bool shown = Form1->isVisible();
        app.Destroy();
        return fallbacks && named && shown;
    });
    ASSERT_EQ(chmod(file.c_str(), 0644), 0);
    ASSERT_EQ(chmod(app.Dir.Path().c_str(), 0700), 0);
    ASSERT_TRUE(started.has_value()) << "could not run as a user without root's rights";
    EXPECT_TRUE(*started);
    EXPECT_EQ(app.IniValue("RunSettings", "RunCD"), "0") << "the file is left alone";
}

// A settings folder that cannot be made or written needs a user that file permissions
// apply to: the test runs as an ordinary user, or as root with the file rights of user
// "nobody". Every start there would be a first run that keeps nothing: instead of the
// dialog, one message names the folder, and the defaults are obeyed. Here the start folder
// is read-only and the configuration folder would have to be made inside it.
TEST(StartUp, AFolderThatCannotBeWrittenIsNamedOnceInsteadOfTheFirstRunDialog) {
    AppFixture app;
    ScopedEnvironment env;
    env.Set("XDG_CONFIG_HOME", app.Dir.File("config"));
    const std::string folder = app.Dir.File("config/Quarrix");
    ASSERT_EQ(chmod(app.Dir.Path().c_str(), 0555), 0);
    const std::optional<bool> told = RunWithoutRootFileRights([&] {
        MessageRecorder messages;
        bool dialogShown = false;
        app.Create([&](QWidget*) {
            dialogShown = true;
            Find<QPushButton>("suiButton_Cancel")->click();
        });
        const size_t atStart = messages.Seen.size();
        const bool named =
            atStart == 1 && messages.Seen[0].first.contains(QString::fromStdString(folder));
        OptionValues defaults;
        ResetOptionValues(defaults);
        const IniStructureType& ini = Form_Options->IniStructure;
        const bool obeyed = Form_Options->ControlValues() == defaults && ini[SlotConfirm] == "1" &&
                            ini[SlotParameter15] == "-console -game cstrike" &&
                            ini[SlotParameter16] == "-game cstrike" &&
                            !std::filesystem::exists(app.Dir.File("Quarrix.ini")) &&
                            !std::filesystem::exists(folder);
        app.Show();
        Form1->OpenOptions();
        Find<QPushButton>("suiButton_Cancel")->click();
        const bool once = messages.Seen.size() == 1;
        if (!named || !obeyed || dialogShown || !once)
            std::cerr << "named " << named << ", obeyed " << obeyed << ", first-run dialog "
                      << dialogShown << ", messages " << messages.Seen.size() << "\n";
        app.Destroy();
        return named && obeyed && !dialogShown && once;
    });
    ASSERT_EQ(chmod(app.Dir.Path().c_str(), 0700), 0);
    ASSERT_TRUE(told.has_value()) << "could not run as a user without root's rights";
    EXPECT_TRUE(*told);
}

TEST(WindowState, SavedGeometryOffEveryScreenIsBroughtBackAndSavedReachable) {
    AppFixture app;
    app.WriteIni("WindowStates/RemWindowStates=1\n"
                 "WindowStates/MainPosX=-32767\n"
                 "WindowStates/MainPosY=32767\n"
                 "WindowStates/MainWidth=32767\n"
                 "WindowStates/MainHeight=32767\n");
    app.Create();
    app.Show();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(QRect(Form1->pos(), Form1->size())))
        << Form1->x() << "," << Form1->y() << " " << Form1->width() << "x" << Form1->height();
    Form1->close();
    const QRect saved(std::stoi(app.IniValue("WindowStates", "MainPosX")),
                      std::stoi(app.IniValue("WindowStates", "MainPosY")),
                      std::stoi(app.IniValue("WindowStates", "MainWidth")),
                      std::stoi(app.IniValue("WindowStates", "MainHeight")));
    EXPECT_TRUE(screen.contains(saved));
}
