// The list refresh through the real main window, offscreen, against simulated servers on
// 127.42.x.x: passes started by the tool button, the tab change, the timer and the
// close, answers taken on NMUDP2 (bound to a port of the system's choosing here).
#include "AppFixture.h"
#include "Dialogs.h"
#include "FakeClock.h"
#include "FakeServer.h"
#include "RefreshController.h"
#include "RunAddresses.h"
#include "ServerListModel.h"
#include "TForm1.h"
#include "TForm_Options.h"
#include "TNMUDP.h"
#include "TUpDown.h"
#include "TestRow.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <map>
#include <ostream>

void PrintTo(const ServerStructure& r, std::ostream* os) {
    *os << "{" << r.Name << "|" << r.IP << ":" << r.Port << "|" << r.Map << "|" << r.Players << "/"
        << r.MaxPlayers << "|resp " << r.Response << "|proto " << r.Protocol << "|pw " << r.Password
        << "|alive " << r.Alive << "|answered " << r.Answered << "|sent " << r.SentAt << "}";
}

namespace {

// A row as an earlier answer left it.
ServerStructure OldRow(const std::string& ip, const std::string& port,
                       const std::string& protocol = "47") {
    return TestRow(ip, port)
        .Name("Old")
        .Map("old_map")
        .Counts("1", "2")
        .Response("999")
        .Protocol(protocol)
        .Password("0")
        .Alive()
        .SentAt(7)
        .Dialect(QueryDialect::Text); // found by a text answer: asked in that dialect
}

// The row a pass leaves while the server's answer has not been taken.
ServerStructure Blank(ServerStructure row, uint32_t sentAt) {
    row.Name.clear();
    row.Map.clear();
    row.Players.clear();
    row.MaxPlayers.clear();
    row.Response.clear();
    row.Alive = false;
    row.Answered = false;
    row.SentAt = sentAt;
    return row;
}

// The row after the simulated server's answer (its defaults: de_dust2, 0/16, open).
ServerStructure Answered(const std::string& name, const std::string& ip, const std::string& port,
                         const std::string& response, uint32_t sentAt,
                         const std::string& protocol = "47") {
    return TestRow(ip, port)
        .Name(name)
        .Map("de_dust2")
        .Counts("0", "16")
        .Response(response)
        .Protocol(protocol)
        .Password("0")
        .Alive()
        .SentAt(sentAt)
        .GameFolder("cstrike")
        .Dialect(QueryDialect::Text)
        .System('l', 0);
}

FakeServerConfig Server(const std::string& ip, uint16_t port, const std::string& name,
                        int protocol = 47) {
    FakeServerConfig config;
    config.Ip = ip;
    config.Port = port;
    config.Name = name;
    config.Protocol = protocol;
    return config;
}

class Refresh : public ::testing::Test {
protected:
    // The window with these settings, shown, its NMUDP2 on a port of the system's choosing.
    void Open(const std::string& ini) {
        App.WriteIni("WindowStates/RemWindowStates=0\n"
                     "Favorite/Synchronize=0\n" +
                     ini);
        App.Create();
        Form1->NMUDP2 = std::make_unique<TNMUDP>(0);
        Form1->ConnectRefreshEndpoint();
        App.Show();
    }
    static BrowserModel& Model() { return Form1->Model(); }
    static RefreshController& Controller() { return *Form1->Refresh; }
    // The favorites view's index tables, as its rebuild makes them.
    static void IndexFavorites() {
        Model().FavoriteRows15.clear();
        Model().FavoriteRows16.clear();
        for (size_t i = 0; i < Model().Favorites.size(); ++i) {
            if (Model().Favorites[i].Protocol != "47")
                Model().FavoriteRows15.push_back(static_cast<int32_t>(i));
            if (Model().Favorites[i].Protocol != "46")
                Model().FavoriteRows16.push_back(static_cast<int32_t>(i));
        }
    }
    // count servers from firstIp on 27015, each with its row in SearchResults.
    void ServeRange(int count, const std::string& firstIp) {
        ASSERT_EQ(Farm.AddMany(count, firstIp, 27015, FakeServerConfig{}), 0);
        ASSERT_TRUE(Farm.Start()) << Farm.LastError();
        for (int i = 0; i < count; ++i)
            Model().SearchResults.Add(OldRow(FarmAddress(firstIp, i), "27015"));
    }
    // Requests each server received, by server id.
    std::map<int, int> RequestsPerServer() const {
        std::map<int, int> counts;
        for (const auto& request : Farm.Requests())
            ++counts[request.Server];
        return counts;
    }
    // The pass runs on this thread, so the wait keeps the event loop turning.
    bool WaitForRequests(size_t count) const {
        return QTest::qWaitFor([&] { return Farm.RequestCount() >= count; }, 5000);
    }
    static bool WaitForIdle() {
        return QTest::qWaitFor([] { return Controller().RunningPasses() == 0; }, 15000);
    }
    static void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    AppFixture App;
    FakeServerFarm Farm;
};

TEST_F(Refresh, PassBlanksEveryChosenRowAndRefillsItWithItsResponseTime) {
    Open("Favorite/Filter1=1\nFavorite/Filter2=0\nResult/Filter1=0\nResult/Filter2=1\n"
         "AutoActions/Interval=1\n");
    ScopedFakeClock clock;
    clock.Set(5000);
    ASSERT_GE(Farm.Add(Server(RunIp("127.42.0.1"), 27015, "Alpha")), 0);
    ASSERT_GE(Farm.Add(Server(RunIp("127.42.0.12"), 7015, "Beta")), 0); // text-wise close to Alpha
    ASSERT_GE(Farm.Add(Server(RunIp("127.42.0.2"), 27015, "Gamma", 46)), 0); // CS 1.5: filtered out
    FakeServerConfig silent = Server(RunIp("127.42.0.3"), 27015, "Silent");
    silent.Silent = true;
    ASSERT_GE(Farm.Add(silent), 0);
    const int echo = Farm.Add(Server(RunIp("127.42.0.4"), 27015, "Echo"));
    ASSERT_GE(echo, 0);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();

    ServerRows& results = Model().SearchResults;
    results.Add(OldRow(RunIp("127.42.0.1"), "27015"));
    results.Add(OldRow(RunIp("127.42.0.12"), "7015"));
    results.Add(OldRow(RunIp("127.42.0.2"), "27015", "46"));
    results.Add(OldRow(RunIp("127.42.0.3"), "27015"));
    // Favorites shown: CS 1.5 only, so the two untagged Alpha rows, not Echo.
    ServerRows& favorites = Model().Favorites;
    favorites.Add(OldRow(RunIp("127.42.0.1"), "27015", "00"));
    favorites.Add(OldRow(RunIp("127.42.0.4"), "27015", "47"));
    favorites.Add(OldRow(RunIp("127.42.0.1"), "27015", "00"));
    IndexFavorites();

    Click(Form1->ToolButton_RefreshList);
    // The first row is blanked, latched and stamped at once; the rest wait their turn.
    EXPECT_EQ(results[0], Blank(OldRow(RunIp("127.42.0.1"), "27015"), 5000));
    EXPECT_EQ(results[1], OldRow(RunIp("127.42.0.12"), "7015"));
    EXPECT_TRUE(Controller().Refreshing());
    EXPECT_FALSE(Form1->ToolButton_RefreshList->isEnabled());
    EXPECT_FALSE(Form1->ToolButton_DeleteServer->isEnabled());
    EXPECT_EQ(Form1->ProgressBar_RefreshList->value(), 10000 / 6);

    clock.Advance(37);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return results[0].Answered && results[1].Answered && favorites[0].Answered &&
                   favorites[2].Answered && Controller().RunningPasses() == 0;
        },
        10000));
    EXPECT_EQ(results[0], Answered("Alpha", RunIp("127.42.0.1"), "27015", "37", 5000));
    EXPECT_EQ(results[1], Answered("Beta", RunIp("127.42.0.12"), "7015", "0", 5037));
    EXPECT_EQ(results[2], Blank(OldRow(RunIp("127.42.0.2"), "27015", "46"), 5037));
    EXPECT_EQ(results[3], Blank(OldRow(RunIp("127.42.0.3"), "27015"), 5037));
    // Two rows of one favorite server: each takes one of its two answers.
    EXPECT_EQ(favorites[0], Answered("Alpha", RunIp("127.42.0.1"), "27015", "0", 5037));
    EXPECT_EQ(favorites[1], OldRow(RunIp("127.42.0.4"), "27015", "47"));
    EXPECT_EQ(favorites[2], Answered("Alpha", RunIp("127.42.0.1"), "27015", "0", 5037));
    for (const auto& [server, count] : RequestsPerServer())
        EXPECT_NE(server, echo);
    EXPECT_EQ(Farm.RequestCount(), 6u);

    // The view shows the times, and the down picture for the filtered and the silent server.
    QAbstractItemModel* view = Form1->ListView_Server->model();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return view->index(0, 6).data().toString() == QStringLiteral("37"); }, 2000));
    EXPECT_EQ(view->index(1, 0).data().toString(), QStringLiteral("Beta"));
    EXPECT_EQ(view->index(2, 0).data(ServerListModel::ImageIndexRole).toInt(), 0);
    EXPECT_EQ(view->index(3, 0).data(ServerListModel::ImageIndexRole).toInt(), 0);
    EXPECT_EQ(view->index(3, 0).data().toString(), QString());

    EXPECT_FALSE(Controller().Refreshing());
    EXPECT_TRUE(Form1->ToolButton_RefreshList->isEnabled());
    EXPECT_TRUE(Form1->ToolButton_DeleteServer->isEnabled());
    EXPECT_EQ(Form1->ProgressBar_RefreshList->value(), 10000);
}

TEST_F(Refresh, RowsDeletedOrMovedDuringAPassAreSkippedOrFoundAgain) {
    Open("");
    ServeRange(40, RunIp("127.42.1.1"));
    ServerRows& results = Model().SearchResults;
    const std::string gone = FarmAddress(RunIp("127.42.1.1"), 30),
                      early = FarmAddress(RunIp("127.42.1.1"), 1);

    Click(Form1->ToolButton_RefreshList);
    ASSERT_TRUE(WaitForRequests(3));
    // One row not yet queried and one already queried leave; the rest change places; a
    // row the pass never saw arrives.
    results.RemoveRows({*results.FindFirst(gone, "27015"), *results.FindFirst(early, "27015")});
    results.Sort(1, false);
    ServerStructure newcomer = OldRow(RunIp("127.42.9.9"), "27015");
    results.Add(newcomer);
    ASSERT_TRUE(WaitForIdle());
    ASSERT_TRUE(QTest::qWaitFor([&] { return Farm.AnswersSent() == 39; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (const ServerStructure& row : results)
                if (row.IP != newcomer.IP && !row.Answered)
                    return false;
            return true;
        },
        5000));

    const std::map<int, int> requests = RequestsPerServer();
    EXPECT_EQ(requests.size(), 39u);
    EXPECT_EQ(requests.count(30), 0u);
    for (const auto& [server, count] : requests)
        EXPECT_EQ(count, 1) << Farm.Address(server);
    ASSERT_EQ(results.size(), 39u);
    for (const ServerStructure& row : results) {
        if (row.IP == newcomer.IP) {
            EXPECT_EQ(row, newcomer);
            continue;
        }
        EXPECT_TRUE(row.Alive) << row.IP;
        EXPECT_EQ(row.Map, "de_dust2") << row.IP;
    }
}

TEST_F(Refresh, TheUsersListChangesDuringAPassNeverReachARowThePassDidNotTake) {
    Open("");
    ServeRange(40, RunIp("127.42.2.1"));
    Click(Form1->ToolButton_RefreshList);
    ASSERT_TRUE(WaitForRequests(3));
    // The menus stay enabled during a pass: delete all, then an import of unknown servers.
    Form1->P6->trigger();
    const size_t sent = Farm.RequestCount();
    App.Dir.Write("list.txt", RunIp("#127.42.3.1:27015#\r\n#127.42.3.2:27015#\r\n"));
    Dialogs::SetNextFileName(QString::fromStdString(App.Dir.File("list.txt")));
    Form1->N25->trigger();
    ASSERT_TRUE(WaitForIdle());
    EXPECT_LE(Farm.RequestCount(), sent + 1) << "at most the request already on its way";
    ASSERT_EQ(Model().SearchResults.size(), 2u);
    for (const ServerStructure& row : Model().SearchResults) {
        EXPECT_EQ(row.Protocol, "00");
        EXPECT_FALSE(row.Alive || row.Answered);
        EXPECT_EQ(row.SentAt, 0u);
    }
}

TEST_F(Refresh, OverlappingPassesEachQueryEveryRowAndEndTogether) {
    Open("AutoActions/Interval=1\n");
    ServeRange(20, RunIp("127.42.2.1"));
    Model().SelectedAddress = RunIp("127.42.2.5:27015");
    std::vector<std::string> detailQueries;
    Controller().QueryDetails = [&](const std::string& address) {
        detailQueries.push_back(address);
    };

    Click(Form1->ToolButton_RefreshList);
    ASSERT_TRUE(WaitForRequests(5));
    // A tab change with a picked server starts a second pass beside the first.
    Form1->PageControl_Info->setCurrentIndex(1);
    EXPECT_EQ(Controller().RunningPasses(), 2u);
    bool refreshingDropped = false;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (Controller().RunningPasses() > 0 && !Controller().Refreshing())
                refreshingDropped = true;
            return Controller().RunningPasses() == 0;
        },
        10000));
    EXPECT_FALSE(refreshingDropped);

    const std::map<int, int> requests = RequestsPerServer();
    EXPECT_EQ(requests.size(), 20u);
    for (const auto& [server, count] : requests)
        EXPECT_EQ(count, 2) << Farm.Address(server);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (const ServerStructure& row : Model().SearchResults)
                if (!row.Answered)
                    return false;
            return true;
        },
        5000));
    for (size_t i = 0; i < Model().SearchResults.size(); ++i)
        EXPECT_EQ(Model().SearchResults[i].Name, "Fake #" + std::to_string(i + 1));
    EXPECT_EQ(detailQueries, (std::vector<std::string>(2, RunIp("127.42.2.5:27015"))));
    EXPECT_TRUE(Form1->ToolButton_RefreshList->isEnabled());
    EXPECT_EQ(Form1->ProgressBar_RefreshList->value(), 10000);
}

TEST_F(Refresh, ContinuousModeStartsAPassPerTickUnlessOneRunsAndStopsWhenReleased) {
    Open("AutoActions/Interval=3\n");
    ServeRange(30, RunIp("127.42.3.1"));
    Model().SelectedAddress = RunIp("127.42.3.2:27015");
    QTimer* timer = Form1->Timer_RefreshServer;
    auto tick = [timer] { QMetaObject::invokeMethod(timer, "timeout"); };

    Form1->ToolButton_Auto->setChecked(true); // pressed from code
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 3000);
    EXPECT_TRUE(Controller().AutoRefreshOn());
    EXPECT_FALSE(Form1->ToolButton_RefreshList->isEnabled());
    EXPECT_FALSE(Form_Options->Edit_AutoInterval->isEnabled());
    EXPECT_FALSE(Form_Options->UpDown_AutoRefreshInterval->isEnabled());
    EXPECT_EQ(Controller().RunningPasses(), 0u); // the first pass waits for the first tick

    tick();
    EXPECT_EQ(Controller().RunningPasses(), 1u);
    tick();                                      // a pass is running: skipped
    Form1->PageControl_Info->setCurrentIndex(2); // continuous mode: no pass from the tab
    EXPECT_EQ(Controller().RunningPasses(), 1u);
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(Farm.RequestCount(), 30u);
    // Between passes a manual refresh is possible; the timer goes on.
    EXPECT_TRUE(Form1->ToolButton_RefreshList->isEnabled());
    EXPECT_TRUE(timer->isActive());

    tick();
    ASSERT_TRUE(WaitForRequests(35));
    Click(Form1->ToolButton_Auto); // released with the mouse, in the middle of the pass
    EXPECT_FALSE(timer->isActive());
    EXPECT_FALSE(Controller().AutoRefreshOn());
    EXPECT_TRUE(Form_Options->Edit_AutoInterval->isEnabled());
    EXPECT_TRUE(Form_Options->UpDown_AutoRefreshInterval->isEnabled());
    ASSERT_TRUE(WaitForIdle());
    const size_t requests = Farm.RequestCount();
    EXPECT_LT(requests, 60u);
    EXPECT_TRUE(Form1->ToolButton_RefreshList->isEnabled());
    EXPECT_EQ(Form1->ProgressBar_RefreshList->value(), 10000); // the stopped pass still ends
}

TEST_F(Refresh, PassOverEmptyListsReArmsOrResetsContinuousMode) {
    Open("AutoActions/Interval=2\n");
    QTimer* timer = Form1->Timer_RefreshServer;

    ASSERT_EQ(Form1->Panel_Server->title(), QStringLiteral("搜索结果"));
    Click(Form1->ToolButton_RefreshList);
    EXPECT_TRUE(Form1->ToolButton_RefreshList->isEnabled());
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(Form1->ProgressBar_RefreshList->value(), 10000);
    EXPECT_EQ(Form1->Panel_Server->title(), QStringLiteral("搜索结果 : 0"));
    ASSERT_TRUE(WaitForIdle());

    Form1->ToolButton_Auto->setChecked(true);
    timer->stop(); // so only the pass can have armed it again
    QMetaObject::invokeMethod(timer, "timeout");
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 2000);
    EXPECT_TRUE(Controller().AutoRefreshOn());
    EXPECT_TRUE(Form1->ToolButton_Auto->isChecked());
}

TEST_F(Refresh, ClosingTheWindowEndsARunningPass) {
    Open("");
    ServeRange(100, RunIp("127.42.4.1"));
    Click(Form1->ToolButton_RefreshList);
    ASSERT_TRUE(WaitForRequests(5));
    Form1->close();
    EXPECT_EQ(Controller().RunningPasses(), 0u);
    EXPECT_FALSE(Controller().Refreshing());
    const size_t sent = Farm.RequestCount();
    QTest::qWait(50); // ten paces: a pass still alive would have sent again
    EXPECT_EQ(Farm.RequestCount(), sent);
    EXPECT_LT(sent, 100u);
    App.Destroy();
}

} // namespace
