// The program's own message loop with the main window in the tray: a real dialog, shown
// modally and closed by a key, must leave the program running, and the close sequence must
// still save everything when the user quits from the tray.
#include "Application.h"
#include "AppFixture.h"
#include "AutoJoinController.h"
#include "Dialogs.h"
#include "FakeServer.h"
#include "Gbk.h"
#include "RecordingProgram.h"
#include "RunAddresses.h"
#include "ServerListModel.h"
#include "TForm1.h"
#include "TestRow.h"
#include "TrayController.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <QTreeView>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <span>

namespace {

// A desktop with a notification area (the offscreen platform has none).
class StandInTray : public TrayIcon {
public:
    bool Available() const override { return true; }
    void SetVisible(bool visible) override { Visible = visible; }
    void SetImage(int) override {}
    bool Visible = false;
};

// Records whether the application was asked to quit, and when.
class QuitWatch : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == qApp && event->type() == QEvent::Quit && !QuitAsked)
            QuitAsked = true, QuitBeforeExit = !ExitChosen;
        return false;
    }
    bool ExitChosen = false;
    bool QuitAsked = false;
    bool QuitBeforeExit = false;
};

ServerStructure Row(const std::string& ip) {
    return TestRow(ip)
        .Name("Tray")
        .Map("de_dust2")
        .Counts("3", "16")
        .Protocol("47")
        .Password("0")
        .Alive();
}

struct TrayRoad {
    const char* Name;
    const char* Dialog; // objectName of the dialog that shows
    // Puts the window in the tray (or lets the join do it) and opens the dialog.
    std::function<void(StandInTray&)> Open;
    bool GameStarts;
};

void PrintTo(const TrayRoad& road, std::ostream* os) {
    *os << road.Name;
}

void ToTray() {
    QTest::mouseClick(Find<QToolButton>("ToolButton_Minimize"), Qt::LeftButton);
}

class DialogInTray : public ::testing::TestWithParam<TrayRoad> {
protected:
    AppFixture App;
};

TEST_P(DialogInTray, ClosingItKeepsTheProgramAndQuittingFromTheTraySavesEverything) {
    const TrayRoad& road = GetParam();
    Dialogs::ClearAnswers();
    std::filesystem::create_directory(App.Dir.File("cs16"));
    WriteRecordingProgram(App.Dir.File("cs16/hl.exe"), App.Dir.File("game.txt"));
    // A program that passes the checks but that the system refuses to run.
    App.Dir.Write("cs16/broken", std::string("\x7f"
                                             "ELF not really",
                                             15));
    std::filesystem::permissions(App.Dir.File("cs16/broken"), std::filesystem::perms::owner_all);
    const std::string game =
        road.Name == std::string("LaunchFailedAfterTheJoinHidTheWindow") ? "broken" : "hl.exe";
    App.WriteIni("WindowStates/RemWindowStates=0\n"
                 "Favorite/Synchronize=0\n"
                 "RunSettings/Minimize=1\n"
                 "AutoActions/Confirm=1\n"
                 "AutoActions/Margin=0\n"
                 "ModulePath/PathCS1.6=" +
                 App.Dir.File("cs16/" + game) + "\n");

    StandInTray tray;
    QuitWatch watch;
    qApp->installEventFilter(&watch);
    bool dialogSeen = false, dialogShown = false, hiddenWhileShown = false;
    QString dialogName;
    bool stillRunning = false, hiddenBeforeExit = false;
    WhenModal([&](QWidget* modal) {
        dialogSeen = true;
        dialogName = modal->objectName();
        dialogShown = modal->isVisible();
        hiddenWhileShown = Form1 && !Form1->isVisible();
        // The key goes where the user's key goes.
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : modal, Qt::Key_Return);
    });
    QObject guard; // ends the test's timers with the test
    QTimer::singleShot(0, &guard, [&] {
        Form1->Tray->UseIcon(tray);
        // A favorite added in this run, which the close sequence must write.
        Form1->Model().Favorites.Add(Row(RunIp("127.40.9.1")));
        road.Open(tray);
        // Time for a quit asked by the closed dialog to end the loop.
        QTimer::singleShot(300, Form1, [&] {
            stillRunning = true;
            hiddenBeforeExit = Form1 && !Form1->isVisible();
            Form1->Edit_FromIP->setText(QString::fromStdString(RunIp("127.40.9.9")));
            watch.ExitChosen = true;
            Find<QAction>("Exit4")->trigger();
        });
    });
    // Bounded: a loop that never ends is a failure, not a hang.
    QTimer::singleShot(20000, &guard, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
        QCoreApplication::quit();
    });
    RunWindows(false);
    qApp->removeEventFilter(&watch);

    EXPECT_TRUE(dialogSeen);
    EXPECT_EQ(dialogName, QString::fromLatin1(road.Dialog));
    EXPECT_TRUE(dialogShown);
    EXPECT_TRUE(hiddenWhileShown) << "the dialog is to show while the window is in the tray";
    EXPECT_FALSE(watch.QuitBeforeExit) << "the program quit when the dialog closed";
    EXPECT_TRUE(stillRunning);
    EXPECT_TRUE(hiddenBeforeExit);
    EXPECT_TRUE(watch.QuitAsked);
    EXPECT_EQ(App.IniValue("SearchRange", "FromIP"), RunIp("127.40.9.9"));
    EXPECT_NE(App.Dir.Read("favorite47.dat").find(RunIp("127.40.9.1")), std::string::npos);
    EXPECT_EQ(WaitForRecord(App.Dir.File("game.txt"), road.GameStarts ? 5000 : 100).has_value(),
              road.GameStarts);
}

INSTANTIATE_TEST_SUITE_P(
    Application, DialogInTray,
    ::testing::Values(
        TrayRoad{"AboutFromTheTrayMenu", "TAboutBox",
                 [](StandInTray&) {
                     ToTray();
                     Find<QAction>("Exit3")->trigger();
                 },
                 false},
        TrayRoad{"AutoJoinConfirmedWhileInTheTray", "TForm_MakeSure",
                 [](StandInTray&) {
                     Form1->Edit_Auto1->setText(QStringLiteral("Tray"));
                     Form1->Edit_Auto2->setText(QString::fromStdString(RunIp("127.40.9.2")));
                     Form1->Edit_Auto3->setText(QStringLiteral("27015"));
                     QTest::mouseClick(Find<QToolButton>("ToolButton_AutoJoin"), Qt::LeftButton);
                     ToTray();
                     FakeServerConfig server;
                     server.Ip = RunIp("127.40.9.2");
                     server.Port = 27015;
                     server.Players = 3;
                     server.MaxPlayers = 16;
                     const std::string reply = BuildInfoAnswer(server);
                     Form1->AutoJoin->TakeDatagram(
                         std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(reply.data()),
                                                  reply.size()),
                         server.Ip, server.Port);
                 },
                 true},
        TrayRoad{"LaunchFailedAfterTheJoinHidTheWindow", "TForm_Warnning",
                 [](StandInTray&) {
                     Form1->Model().SearchResults.Add(Row(RunIp("127.40.9.3")));
                     Form1->SearchResultsModel->Flush();
                     QTreeView* view = Find<QTreeView>("ListView_Server");
                     view->selectionModel()->select(view->model()->index(0, 0),
                                                    QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
                     QTest::mouseClick(Find<QPushButton>("BitBtn_Join"), Qt::LeftButton);
                 },
                 false}),
    [](const auto& info) { return std::string(info.param.Name); });

// The file dialogs and message boxes Qt draws itself speak the window's language too.
TEST(ChineseQtTexts, StandardButtonsSpeakTheWindowsLanguage) {
    QTranslator* translator = InstallChineseQtTexts(*qApp);
    if (!translator)
        GTEST_SKIP() << "Qt's translations are not installed (qt6-translations-l10n)";
    QDialogButtonBox box(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    QApplication::removeTranslator(translator);
    delete translator;
}

} // namespace
