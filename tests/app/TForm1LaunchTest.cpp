// The join, the auto-join and the tray through the real main window, offscreen: the game
// is a recording program in a temporary folder, the auto-join's server a simulated one on
// 127.60.x.x answering NMUDP3 (bound to a port of the system's choosing here).
#include "AppFixture.h"
#include "Application.h"
#include "AutoJoinController.h"
#include "Dialogs.h"
#include "FakeClock.h"
#include "FakeServer.h"
#include "Gbk.h"
#include "RecordingProgram.h"
#include "RunAddresses.h"
#include "SearchController.h"
#include "ServerListModel.h"
#include "TAboutBox.h"
#include "TForm1.h"
#include "TForm_MakeSure.h"
#include "TForm_Password.h"
#include "TNMUDP.h"
#include "TestRow.h"
#include "TrayController.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>

namespace {

using Lines = std::vector<std::string>;

ServerStructure Row(const std::string& ip, const std::string& protocol,
                    const std::string& password = "0") {
    return TestRow(ip)
        .Name("Target")
        .Map("de_dust2")
        .Counts("3", "16")
        .Protocol(protocol)
        .Password(password)
        .Alive();
}

class Launch : public ::testing::Test {
protected:
    // The window shown with both games in their own folders as recording programs; the
    // first line of a key counts, so `ini` goes before the defaults.
    void Open(const std::string& ini = {}) {
        for (const char* folder : {"cs15", "cs16", "cd"})
            std::filesystem::create_directory(App.Dir.File(folder));
        WriteRecordingProgram(App.Dir.File("cs15/hl.exe"), App.Dir.File("game15.txt"));
        WriteRecordingProgram(App.Dir.File("cs16/hl.exe"), App.Dir.File("game16.txt"));
        const std::string defaults = "WindowStates/RemWindowStates=0\n"
                                     "Favorite/Synchronize=0\n"
                                     "RunSettings/RunCD=0\n"
                                     "RunSettings/Minimize=0\n"
                                     "ModulePath/Parameter1.5=-console -game cstrike\n"
                                     "ModulePath/Parameter1.6=-game cstrike\n";
        App.WriteIni(ini + defaults + "ModulePath/PathCS1.5=" + App.Dir.File("cs15/hl.exe") +
                     "\nModulePath/PathCS1.6=" + App.Dir.File("cs16/hl.exe") + "\n");
        App.Create();
        App.Show();
    }
    // Puts a row into the search results and selects it.
    static void SelectNewRow(const ServerStructure& row) {
        Form1->Model().SearchResults.Add(row);
        Form1->SearchResultsModel->Flush();
        QTreeView* view = Find<QTreeView>("ListView_Server");
        const int last = view->model()->rowCount() - 1;
        view->selectionModel()->select(view->model()->index(last, 0),
                                       QItemSelectionModel::ClearAndSelect |
                                           QItemSelectionModel::Rows);
    }
    static void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    AppFixture App;
    MessageRecorder Messages;
};

struct JoinCase {
    const char* Name;
    std::string Protocol;
    std::string Ini;                  // parameter settings
    std::optional<std::string> Typed; // the password dialog's text; none: open server
    std::string Record, Folder;
    Lines Arguments;
};

void PrintTo(const JoinCase& c, std::ostream* os) {
    *os << c.Name;
}

class JoinButton : public Launch, public ::testing::WithParamInterface<JoinCase> {};

TEST_P(JoinButton, StartsTheRowsGameInItsFolderWithTheConnectLine) {
    const JoinCase& c = GetParam();
    Open(c.Ini);
    ASSERT_EQ(Form1->Setting(SlotParameter15), c.Ini.empty() ? "-console -game cstrike" : "");
    if (c.Typed) {
        Dialogs::SetNextAnswer(DialogKind::Password, [&](QDialog& dialog) {
            auto& prompt = static_cast<TForm_Password&>(dialog);
            EXPECT_EQ(prompt.windowTitle(), QStringLiteral("密码"));
            EXPECT_EQ(prompt.Password->echoMode(), QLineEdit::Normal);
            prompt.Password->setText(QString::fromUtf8(c.Typed->c_str()));
            Click(prompt.OKBtn);
            return prompt.result();
        });
    }
    SelectNewRow(Row(RunIp("127.60.0.1"), c.Protocol, c.Typed ? "1" : "0"));
    Click(Find<QPushButton>("BitBtn_Join"));
    const auto lines = WaitForRecord(App.Dir.File(c.Record));
    ASSERT_TRUE(lines);
    Lines expected{App.Dir.File(c.Folder)};
    expected.insert(expected.end(), c.Arguments.begin(), c.Arguments.end());
    EXPECT_EQ(*lines, expected);
    EXPECT_TRUE(Messages.Seen.empty());
    EXPECT_EQ(Dialogs::PendingAnswers(DialogKind::Password), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Launch, JoinButton,
    ::testing::Values(
        JoinCase{"Cs16Defaults",
                 "47",
                 "",
                 std::nullopt,
                 "game16.txt",
                 "cs16",
                 {"-game", "cstrike", "+connect", RunIp("127.60.0.1:27015")}},
        JoinCase{"Cs15Defaults",
                 "46",
                 "",
                 std::nullopt,
                 "game15.txt",
                 "cs15",
                 {"-console", "-game", "cstrike", "+connect", RunIp("127.60.0.1:27015")}},
        JoinCase{"Cs16WithPassword",
                 "47",
                 "",
                 "pa55",
                 "game16.txt",
                 "cs16",
                 {"-game", "cstrike", "+connect", RunIp("127.60.0.1:27015"), "+password", "pa55"}},
        JoinCase{"Cs15EmptyParameter",
                 "46",
                 "ModulePath/Parameter1.5=\n",
                 std::nullopt,
                 "game15.txt",
                 "cs15",
                 {"+connect", RunIp("127.60.0.1:27015")}}),
    [](const auto& info) { return std::string(info.param.Name); });

// The settings keep paths as GBK text, as the options dialog stores them; the game in a
// folder named in Chinese starts there, and the parameters and the password reach its
// arguments in the system's encoding, as does the side tool's folder.
TEST_F(Launch, GameInAChineseFolderStartsThereWithItsTextInTheSystemEncoding) {
    const std::string games = App.Dir.File("中文 游戏");
    std::filesystem::create_directories(games + "/cs15");
    std::filesystem::create_directories(games + "/工具");
    WriteRecordingProgram(games + "/cs15/hl.exe", App.Dir.File("chinese.txt"));
    WriteRecordingProgram(games + "/工具/作弊器", App.Dir.File("tool.txt"));
    Open("ModulePath/PathCS1.5=" + G(games + "/cs15/hl.exe") +
         "\nModulePath/Parameter1.5=" + G("-game cstrike -名字 玩家") +
         "\nRunSettings/RunCD=1\nModulePath/PathCD=" + G(games + "/工具/作弊器") + "\n");
    Dialogs::SetNextAnswer(DialogKind::Password, [](QDialog& dialog) {
        auto& prompt = static_cast<TForm_Password&>(dialog);
        prompt.Password->setText(QStringLiteral("密码一"));
        Click(prompt.OKBtn);
        return prompt.result();
    });
    SelectNewRow(Row(RunIp("127.60.0.5"), "46", "1"));
    Click(Find<QPushButton>("BitBtn_Join"));
    EXPECT_TRUE(Messages.Seen.empty());
    const auto lines = WaitForRecord(App.Dir.File("chinese.txt"));
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (Lines{games + "/cs15", "-game", "cstrike", "-名字", "玩家", "+connect",
                             RunIp("127.60.0.5:27015"), "+password", "密码一"}));
    const auto tool = WaitForRecord(App.Dir.File("tool.txt"));
    ASSERT_TRUE(tool);
    EXPECT_EQ(*tool, Lines{games + "/工具"});
}

// A game that the system cannot run is found out before the join pauses the scan, stops
// the continuous refresh or sends the window to the tray.
TEST_F(Launch, GameThatCannotStartLeavesScanRefreshAndWindowAsTheyWere) {
    Open(RunIp("RunSettings/PauseSearching=1\nRunSettings/StopRefreshing=1\n"
               "RunSettings/Minimize=1\nSearchRange/FromIP=127.60.16.1\n"
               "SearchRange/ToIP=127.60.31.254\nSearchPorts/Port0=27015\n"));
    // Text with the execute bit: no program this system can start.
    App.Dir.Write("cs16/hl.exe", "not a program\n");
    std::filesystem::permissions(App.Dir.File("cs16/hl.exe"), std::filesystem::perms::owner_all);
    Form1->NMUDP1 = std::make_unique<TNMUDP>(0);
    Form1->NMUDP2 = std::make_unique<TNMUDP>(0);
    Form1->ConnectEndpoints();
    Form1->ConnectRefreshEndpoint();
    Click(Form1->Button_Begin);
    Form1->ToolButton_Auto->setChecked(true);
    ASSERT_TRUE(Form1->Search->Searching());
    ASSERT_TRUE(Form1->Model().AutoRefreshOn);
    SelectNewRow(Row(RunIp("127.60.0.6"), "47"));

    Click(Find<QPushButton>("BitBtn_Join"));
    ASSERT_EQ(Messages.Seen.size(), 1u);
    EXPECT_EQ(Messages.Seen[0],
              std::make_pair(QStringLiteral(" CS 可执行文件运行错误 ! "), QStringLiteral("错误")));
    EXPECT_TRUE(Form1->Search->Searching());
    EXPECT_FALSE(Form1->Search->SearchPaused());
    EXPECT_EQ(Form1->Button_Begin->text(), QStringLiteral("暂停"));
    EXPECT_TRUE(Form1->Model().AutoRefreshOn);
    EXPECT_TRUE(Form1->ToolButton_Auto->isChecked());
    EXPECT_FALSE(Form1->Tray->InTray());
    EXPECT_TRUE(Form1->isVisible());
    EXPECT_FALSE(Form1->isMinimized());

    Form1->ToolButton_Auto->setChecked(false);
    Click(Form1->Button_Stop);
    EXPECT_TRUE(QTest::qWaitFor([] { return !Form1->Search->Searching(); }, 15000));
}

// With only the CS 1.6 favorites shown, view rows are not list positions: the join and the
// auto-join take the row the user sees.
TEST_F(Launch, FilteredFavoritesJoinAndAutoJoinTheRowShown) {
    Open("Favorite/Filter1=0\nFavorite/Filter2=1\n");
    Form1->Model().Favorites.Add(Row(RunIp("127.60.4.1"), "46"));
    Form1->Model().Favorites.Add(Row(RunIp("127.60.4.2"), "47"));
    Form1->RebuildFavoritesView();
    QTreeView* view = Find<QTreeView>("ListView_Favorite");
    ASSERT_EQ(view->model()->rowCount(), 1);
    view->selectionModel()->select(view->model()->index(0, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    Click(Find<QPushButton>("BitBtn_Join"));
    const auto lines = WaitForRecord(App.Dir.File("game16.txt"));
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->back(), RunIp("127.60.4.2:27015"));
    EXPECT_FALSE(std::filesystem::exists(App.Dir.File("game15.txt")));

    Form1->StartAutoJoin(view);
    EXPECT_EQ(Find<QLineEdit>("Edit_Auto2")->text(), QString::fromStdString(RunIp("127.60.4.2")));
    Form1->StopAutoJoin();
    EXPECT_TRUE(Messages.Seen.empty());
}

TEST_F(Launch, ADoubleClickOrEnterOnARowJoinsIt) {
    ScopedFakeClock clock;
    Open();
    const ServerStructure server = Row(RunIp("127.60.0.1"), "47", "0");
    SelectNewRow(server);
    QTreeView* view = Find<QTreeView>("ListView_Server");
    const QPoint point = view->visualRect(view->model()->index(0, 1)).center();
    // Each click asks the server for its details, which blanks the row until it answers;
    // here the answer is put back at once, as a server on the network gives it.
    const auto click = [&] {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, point);
        Form1->Model().SearchResults.Replace(0, server);
    };
    click();
    clock.Advance(300);
    click();
    EXPECT_FALSE(WaitForRecord(App.Dir.File("game16.txt"), 300))
        << "300 ms apart is no double click";
    // The second press of a double click reaches the view as a double-click event only.
    clock.Advance(299);
    QMouseEvent second(QEvent::MouseButtonDblClick, point, view->viewport()->mapToGlobal(point),
                       Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &second);
    Form1->Model().SearchResults.Replace(0, server);
    const auto lines = WaitForRecord(App.Dir.File("game16.txt"));
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->back(), RunIp("127.60.0.1:27015"));
    std::filesystem::remove(App.Dir.File("game16.txt"));

    QTest::keyClick(view, Qt::Key_Return);
    ASSERT_TRUE(WaitForRecord(App.Dir.File("game16.txt")));
    EXPECT_TRUE(Messages.Seen.empty());
}

TEST_F(Launch, RowsThatCannotBeJoinedShowTheirMessageAndStartNothing) {
    Open();
    Click(Find<QPushButton>("BitBtn_Join"));
    Form1->JoinSelectedServer(); // a menu item without a selection: nothing
    SelectNewRow(Row(RunIp("127.60.0.1 +exec evil.cfg"), "47"));
    Click(Find<QPushButton>("BitBtn_Join"));
    ServerStructure full = Row(RunIp("127.60.0.2"), "47");
    full.Players = "16"; // full by equal texts
    SelectNewRow(full);
    Form1->JoinSelectedServer();
    ASSERT_EQ(Messages.Seen.size(), 3u);
    EXPECT_EQ(Messages.Seen[0].first, QStringLiteral(" 您没有选择任何服务器 ! "));
    EXPECT_EQ(Messages.Seen[1],
              std::make_pair(QStringLiteral(" CS 可执行文件运行错误 ! "), QStringLiteral("错误")));
    EXPECT_EQ(Messages.Seen[2].first, QStringLiteral(" 服务器已达人数上限 ! 无法加入 ! "));
    QTest::qWait(200);
    EXPECT_FALSE(std::filesystem::exists(App.Dir.File("game16.txt")));
}

TEST_F(Launch, SideToolStartsOnlyWhileNoProcessOfItsNameRuns) {
    // A process under the tool's file name, as a running Cheating-Death would be.
    const std::string running = App.Dir.File("cdtool");
    std::filesystem::copy_file("/bin/sleep", running);
    char arg0[] = "cdtool";
    char arg1[] = "30";
    char* argv[] = {arg0, arg1, nullptr};
    pid_t sleeper = 0;
    ASSERT_EQ(::posix_spawn(&sleeper, running.c_str(), nullptr, nullptr, argv, environ), 0);
    Open("RunSettings/RunCD=1\nModulePath/PathCD=" + App.Dir.File("cd/cdtool") + "\n");
    WriteRecordingProgram(App.Dir.File("cd/cdtool"), App.Dir.File("cd.txt"));
    SelectNewRow(Row(RunIp("127.60.0.3"), "47"));
    Click(Find<QPushButton>("BitBtn_Join"));
    ASSERT_TRUE(WaitForRecord(App.Dir.File("game16.txt")));
    EXPECT_FALSE(std::filesystem::exists(App.Dir.File("cd.txt")));

    ::kill(sleeper, SIGKILL);
    ::waitpid(sleeper, nullptr, 0);
    std::filesystem::remove(App.Dir.File("game16.txt"));
    Click(Find<QPushButton>("BitBtn_Join"));
    const auto tool = WaitForRecord(App.Dir.File("cd.txt"));
    ASSERT_TRUE(tool);
    EXPECT_EQ(*tool, Lines{App.Dir.File("cd")});
    EXPECT_TRUE(WaitForRecord(App.Dir.File("game16.txt")));
}

// The auto-join against a simulated server whose player count drops.
class AutoJoinRoad : public Launch {
protected:
    void Serve(int players) {
        FakeServerConfig config;
        config.Ip = Ip;
        config.Port = 27015;
        config.Name = "Crowded";
        config.Players = players;
        config.MaxPlayers = 16;
        if (Server < 0) {
            Server = Farm.Add(config);
            ASSERT_TRUE(Farm.Start()) << Farm.LastError();
        } else {
            Farm.SetConfig(Server, config);
        }
    }
    void OpenWithEndpoint(const std::string& ini) {
        Open(ini);
        Form1->NMUDP3 = std::make_unique<TNMUDP>(0);
        Form1->ConnectAutoJoinEndpoint();
    }
    // One tick of Timer_AutoJoin and the time for its reply to be judged.
    void Tick() {
        const size_t before = Farm.AnswersSent();
        Form1->AutoJoin->Timer_AutoJoinTimer();
        ASSERT_TRUE(QTest::qWaitFor([&] { return Farm.AnswersSent() > before; }, 5000));
        QTest::qWait(50);
    }
    static QColor TextColour(const char* edit) {
        return Find<QLineEdit>(edit)->palette().color(QPalette::Text);
    }
    FakeServerFarm Farm;
    int Server = -1;
    std::string Ip = RunIp("127.60.2.1");
};

TEST_F(AutoJoinRoad, WaitsWhileFullThenConfirmsAndJoinsWithoutAskingAgain) {
    Serve(16);
    OpenWithEndpoint("AutoActions/Confirm=1\nAutoActions/Margin=2\n");
    // No prompt before the room; one that came anyway is cancelled rather than waited on.
    int early = 0;
    Dialogs::AnswerEvery(DialogKind::Confirmation, [&](QDialog&) {
        ++early;
        return int(QDialog::Rejected);
    });
    SelectNewRow(Row(RunIp("127.60.2.1"), "47"));
    Form1->StartAutoJoin(Find<QTreeView>("ListView_Server"));
    EXPECT_TRUE(Find<QToolButton>("ToolButton_AutoJoin")->isChecked());
    EXPECT_EQ(Find<QLineEdit>("Edit_Auto2")->text(), QString::fromStdString(RunIp("127.60.2.1")));
    EXPECT_EQ(TextColour("Edit_Auto3"), QColor(Qt::red));
    Tick();
    Serve(15); // margin 2: 15 of 16 is not room yet
    Tick();
    EXPECT_EQ(early, 0);
    EXPECT_FALSE(std::filesystem::exists(App.Dir.File("game16.txt")));
    EXPECT_EQ(Form1->AutoJoin->State(), AutoJoinState::Waiting);

    int prompts = 0;
    Dialogs::AnswerEvery(DialogKind::Confirmation, [&](QDialog& dialog) {
        ++prompts;
        auto& sure = static_cast<TForm_MakeSure&>(dialog);
        EXPECT_EQ(sure.Label[1]->text(), QStringLiteral("服务器 : Crowded"));
        EXPECT_EQ(sure.Label[2]->text(), QString::fromStdString(RunIp("IP 地址 : 127.60.2.1")));
        EXPECT_EQ(sure.Label[5]->text(), QStringLiteral("人数 : 14"));
        EXPECT_EQ(sure.Label[6]->text(), QStringLiteral("上限 : 16"));
        EXPECT_EQ(sure.Label[7]->text(), QStringLiteral("版本 : CS1.6"));
        EXPECT_EQ(sure.Label_MakeSure->text(),
                  QStringLiteral(" 该服务器有空间允许加入 , 确认加入么 ? "));
        // A late reply to an earlier request while the prompt is open.
        const size_t before = Farm.AnswersSent();
        Form1->AutoJoin->Timer_AutoJoinTimer();
        EXPECT_TRUE(QTest::qWaitFor([&] { return Farm.AnswersSent() > before; }, 5000));
        QTest::qWait(50);
        sure.suiCheckBox1->setChecked(true);
        Click(sure.suiButton_SureMake);
        return sure.result();
    });
    Serve(14);
    Tick();
    EXPECT_EQ(prompts, 1);
    const auto lines = WaitForRecord(App.Dir.File("game16.txt"));
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->back(), RunIp("127.60.2.1:27015"));
    EXPECT_FALSE(Find<QToolButton>("ToolButton_AutoJoin")->isChecked());
    EXPECT_NE(TextColour("Edit_Auto3"), QColor(Qt::red));
    EXPECT_EQ(App.IniValue("AutoActions", "Confirm"), "0");
    EXPECT_EQ(Form1->Setting(SlotConfirm), "0");
}

TEST_F(AutoJoinRoad, CancelEndsTheWaitKeepsTheTargetAndShowsTheTrayIcon) {
    Ip = RunIp("127.60.3.1");
    Serve(3);
    OpenWithEndpoint("AutoActions/Confirm=1\n");
    SelectNewRow(Row(Ip, "47"));
    Form1->StartAutoJoin(Find<QTreeView>("ListView_Server"));
    Dialogs::SetNextAnswer(DialogKind::Confirmation,
                           [](QDialog&) { return int(QDialog::Rejected); });
    Tick();
    EXPECT_EQ(Dialogs::PendingAnswers(DialogKind::Confirmation), 0);
    EXPECT_EQ(Form1->AutoJoin->State(), AutoJoinState::Off);
    EXPECT_FALSE(Find<QToolButton>("ToolButton_AutoJoin")->isChecked());
    EXPECT_EQ(Find<QLineEdit>("Edit_Auto2")->text(), QString::fromStdString(RunIp("127.60.3.1")));
    EXPECT_TRUE(Form1->Tray->IconVisible());
    EXPECT_FALSE(std::filesystem::exists(App.Dir.File("game16.txt")));
}

TEST_F(Launch, ButtonWithEmptyTargetStopsAtTheFirstTick) {
    Open();
    QToolButton* button = Find<QToolButton>("ToolButton_AutoJoin");
    Click(button);
    EXPECT_TRUE(Form1->Timer_AutoJoin->isActive());
    Form1->AutoJoin->Timer_AutoJoinTimer();
    EXPECT_FALSE(button->isChecked());
    EXPECT_FALSE(Form1->Timer_AutoJoin->isActive());
}

TEST_F(Launch, MinimizeWithoutATrayGoesToTheTaskBarAndShowBringsItBack) {
    Open();
    Click(Find<QToolButton>("ToolButton_Minimize"));
    EXPECT_TRUE(Form1->Tray->InTray());
    EXPECT_TRUE(Form1->isMinimized() || !Form1->isVisible());
    Find<QAction>("Show1")->trigger();
    EXPECT_FALSE(Form1->Tray->InTray());
    EXPECT_TRUE(Form1->isVisible());
    EXPECT_FALSE(Form1->isMinimized());
    EXPECT_FALSE(Form1->Tray->IconVisible());
    EXPECT_FALSE(Form1->Timer_IconChange->isActive());
}

TEST_F(Launch, HelpOpensTheReadmeOrSaysItIsMissing) {
    Open();
    std::vector<QString> opened;
    Form1->OpenDocument = [&](const QString& path) { opened.push_back(path); };
    Find<QAction>("Readme1")->trigger();
    ASSERT_EQ(Messages.Seen.size(), 1u);
    EXPECT_EQ(Messages.Seen[0].first, QStringLiteral(" 无法找到帮助文件 ! "));
    App.Dir.Write("readme.txt", "help");
    Find<QAction>("Readme1")->trigger();
    EXPECT_EQ(opened, std::vector<QString>{QString::fromStdString(App.Dir.File("readme.txt"))});
}

TEST_F(Launch, AboutBoxOpensFromItsThreeCommands) {
    Open();
    int shown = 0;
    Dialogs::AnswerEvery(DialogKind::About, [&](QDialog& dialog) {
        ++shown;
        auto& about = static_cast<TAboutBox&>(dialog);
        EXPECT_EQ(about.windowTitle(), QStringLiteral("关于"));
        EXPECT_EQ(about.Version->text(), QStringLiteral("版本 1.6.0"));
        EXPECT_EQ(about.Copyright->text(), QStringLiteral("2004-04-06"));
        EXPECT_EQ(about.PageControl1->count(), 3);
        EXPECT_EQ(about.PageControl1->tabText(2), QStringLiteral("声明"));
        return int(QDialog::Accepted);
    });
    Click(Find<QToolButton>("ToolButton_About"));
    Find<QAction>("About2")->trigger();
    Find<QAction>("Exit3")->trigger();
    EXPECT_EQ(shown, 3);
}

} // namespace
