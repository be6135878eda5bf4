// The details panel in the real window, offscreen, against simulated servers on
// 127.41.x.x: a picked row's info, players and rules by the active page, the rows taking
// the info answer, and answers the panel must not take. Every test holds the fixed local
// ports (NMUDP0 is 27000); the clock stands still, so response times read 0.
#include "AppFixture.h"
#include "DetailsController.h"
#include "FakeClock.h"
#include "FakeServer.h"
#include "Gbk.h"
#include "RunAddresses.h"
#include "TForm1.h"
#include "TNMUDP.h"
#include "TestRow.h"

#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

const std::string Name = "详情 一号";

FakeServerConfig DetailServer(const std::string& ip, const std::string& name) {
    FakeServerConfig config;
    config.Ip = ip;
    config.Port = 27015;
    config.Name = G(name);
    config.Map = "de_aztec";
    config.MaxPlayers = 20;
    config.Protocol = 47;
    config.PlayerList = {{G("甲"), 5, 1.0f}, {"Bob", 12, 2.0f}};
    config.Players = 2;
    for (auto& [rule, value] : config.Rules) {
        if (rule == "mp_buytime")
            value = "1.5";
        if (rule == "mp_freezetime")
            value = "6";
    }
    config.Rules.insert(config.Rules.begin(),
                        {{"cm_timeleft", "12:00"}, {"cm_nextmap", "de_nuke"}});
    return config;
}

std::string RuleOf(const FakeServerConfig& config, const std::string& name) {
    for (const auto& [rule, value] : config.Rules)
        if (rule == name)
            return value;
    return "<missing>";
}

// The boxes SS0..SS17 after the info answer of the server, and its rules when given.
std::vector<std::string> ExpectedBoxes(const FakeServerConfig& config, bool rules) {
    std::vector<std::string> boxes(23);
    boxes[0] = config.Name;
    boxes[1] = config.Ip + ":" + std::to_string(config.Port);
    boxes[2] = "0";
    boxes[3] = config.Password ? "1" : "0";
    boxes[4] = config.Map;
    boxes[5] = std::to_string(config.Players);
    boxes[16] = std::to_string(config.MaxPlayers);
    boxes[17] = config.Protocol == 46 ? "CS 1.5" : "CS 1.6";
    // The text dialect's answer tells its OS and VAC too (the simulated server: Linux, off).
    boxes[18] = G("文本");
    boxes[20] = "Linux";
    boxes[21] = G("关闭");
    if (rules) {
        const char* names[] = {"cm_timeleft",   "mp_startmoney", "mp_timelimit", "mp_buytime",
                               "mp_freezetime", "mp_c4timer",    "mp_roundtime", "mp_friendlyfire",
                               "mp_tkpunish",   "cm_nextmap"};
        for (int i = 0; i < 10; ++i)
            boxes[static_cast<size_t>(6 + i)] = RuleOf(config, names[i]);
    }
    return boxes;
}

ServerStructure Pending(const std::string& ip) {
    // Found by a text answer: asked in that dialect.
    return TestRow(ip).Name("old").Protocol("00").Dialect(QueryDialect::Text);
}

class Details : public ::testing::Test {
protected:
    void SetUp() override {
        App.WriteIni("WindowStates/RemWindowStates=0\n");
        App.Create();
        Form1->CreateEndpoints();
        App.Show();
        Server = Find<QTreeView>("ListView_Server");
        Players = Find<QTreeWidget>("ListView_PlayersInfo");
        Rules = Find<QTreeWidget>("ListView_RulesInfo");
        Pages = Find<QTabWidget>("PageControl_Info");
    }

    // The texts of SS0..SS17 as the boxes show them, GBK.
    static std::vector<std::string> Boxes() {
        std::vector<std::string> texts;
        for (int i = 0; i < 23; ++i)
            texts.push_back(G(Find<QLineEdit>(("SS" + std::to_string(i)).c_str())
                                  ->text()
                                  .toUtf8()
                                  .toStdString()));
        return texts;
    }
    // The request kinds a server received, in order ('i', 'p', 'r').
    // The details queries the server got (those from NMUDP0; a refresh pass asks through
    // its own endpoint).
    std::string Kinds(int server) const {
        std::string kinds;
        for (const auto& request : Farm.Requests())
            if (request.Server == server && request.FromPort == Form1->NMUDP0->BoundPort())
                kinds += request.Kind;
        return kinds;
    }
    void AddRows(std::initializer_list<std::string> ips) {
        for (const std::string& ip : ips)
            Form1->Model().SearchResults.Add(Pending(ip));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return Server->model()->rowCount() == static_cast<int>(ips.size()); }, 2000));
    }

    ScopedFakeClock Clock;
    AppFixture App;
    FakeServerFarm Farm;
    QTreeView* Server = nullptr;
    QTreeWidget *Players = nullptr, *Rules = nullptr;
    QTabWidget* Pages = nullptr;
};

struct PageCase {
    const char* Name;
    int Page;
    const char* Requests;
    bool RulesShown, PlayersShown;
};
void PrintTo(const PageCase& c, std::ostream* os) {
    *os << c.Name;
}

class DetailsPage : public Details, public testing::WithParamInterface<PageCase> {};

TEST_P(DetailsPage, PickedRowFillsThePanelAndTakesTheInfoAnswer) {
    const PageCase& c = GetParam();
    const FakeServerConfig config = DetailServer(RunIp("127.41.0.1"), Name);
    const int id = Farm.Add(config);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();
    AddRows({RunIp("127.41.0.1")});
    Pages->setCurrentIndex(c.Page);

    // Picked by code: the current row moves to it.
    Server->setCurrentIndex(Server->model()->index(0, 0));
    EXPECT_EQ(Form1->windowTitle().toStdString(),
              RunIp("Quarrix  V1.6.0   -   127.41.0.1 : 27015"));
    EXPECT_EQ(Form1->Model().SelectedAddress, RunIp("127.41.0.1:27015"));
    QTreeWidget* awaited = c.PlayersShown ? Players : Rules;
    ASSERT_TRUE(QTest::qWaitFor([&] { return awaited->topLevelItemCount() > 0; }, 5000));

    EXPECT_EQ(Boxes(), ExpectedBoxes(config, c.RulesShown));
    EXPECT_EQ(Kinds(id), c.Requests);
    EXPECT_EQ(Rules->topLevelItemCount(), c.RulesShown ? static_cast<int>(config.Rules.size()) : 0);
    if (c.PlayersShown) {
        ASSERT_EQ(Players->topLevelItemCount(), 2);
        // Sorted by frags, descending; numbered in answer order.
        EXPECT_EQ(Players->topLevelItem(0)->text(1), QStringLiteral("Bob"));
        EXPECT_EQ(Players->topLevelItem(0)->text(0), QStringLiteral("2"));
        EXPECT_EQ(Players->topLevelItem(1)->text(1), QStringLiteral("甲"));
    } else {
        EXPECT_EQ(Players->topLevelItemCount(), 0);
    }
    ServerStructure row;
    row.Name = config.Name;
    row.IP = RunIp("127.41.0.1");
    row.Port = "27015";
    row.Map = config.Map;
    row.Players = "2";
    row.MaxPlayers = "20";
    row.Response = "0";
    row.Protocol = "47";
    row.Password = "0";
    row.Alive = row.Answered = true;
    row.SentAt = Clock.TickCount();
    row.GameFolder = "cstrike";
    row.Dialect = QueryDialect::Text;
    row.Os = 'l';
    row.Secure = 0;
    EXPECT_EQ(Form1->Model().SearchResults[0], row);
}

INSTANTIATE_TEST_SUITE_P(Pages, DetailsPage,
                         testing::Values(PageCase{"Basic", 0, "ir", true, false},
                                         PageCase{"Players", 1, "ip", false, true},
                                         PageCase{"Rules", 2, "ir", true, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Details, PageChangedBeforeTheRulesAnswerShowsItThenAsksForPlayers) {
    FakeServerConfig config = DetailServer(RunIp("127.41.0.2"), Name);
    config.DelayMs = 150;
    const int id = Farm.Add(config);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();
    // In continuous mode a tab change starts no refresh pass, whose closing details query
    // would cut into this one.
    Find<QToolButton>("ToolButton_Auto")->setChecked(true);
    AddRows({RunIp("127.41.0.1"), RunIp("127.41.0.2")}); // nobody answers at the first
    Server->setCurrentIndex(Server->model()->index(0, 0));
    QTest::keyClick(Server, Qt::Key_Down); // the second picked by the keyboard
    ASSERT_TRUE(QTest::qWaitFor([&] { return Farm.RequestCount() >= 2; }, 5000));
    ASSERT_EQ(Kinds(id), "ir");
    Pages->setCurrentIndex(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Players->topLevelItemCount() == 2; }, 5000));
    EXPECT_EQ(Kinds(id), "irp");
    EXPECT_EQ(Rules->topLevelItemCount(), static_cast<int>(config.Rules.size()));
    EXPECT_EQ(Boxes(), ExpectedBoxes(config, true));
}

TEST_F(Details, RulesAnswerUnder512BytesLeavesTheRulesUnshown) {
    FakeServerConfig config = DetailServer(RunIp("127.41.0.3"), Name);
    config.Rules = {{"mp_buytime", "1.5"}, {"cm_nextmap", "de_nuke"}};
    const int id = Farm.Add(config);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();
    ASSERT_LT(BuildRulesAnswer(config).size(), 512u);
    // In continuous mode the tab change below starts no refresh pass of its own.
    Find<QToolButton>("ToolButton_Auto")->setChecked(true);
    AddRows({RunIp("127.41.0.3")});
    Server->setCurrentIndex(Server->model()->index(0, 0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Farm.AnswersSent() == 2; }, 5000));
    // A second query on the players page; once its players show, the short rules answer,
    // which came before, has been taken too.
    Pages->setCurrentIndex(1);
    Form1->Details->QueryDetails(Form1->Model().SelectedAddress);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Players->topLevelItemCount() == 2; }, 5000));
    EXPECT_EQ(Kinds(id), "irip");
    EXPECT_EQ(Rules->topLevelItemCount(), 0);
    EXPECT_EQ(Boxes(), ExpectedBoxes(config, false));
}

TEST_F(Details, LateAnswerOfTheServerPickedBeforeNeverFillsThePanel) {
    FakeServerConfig first = DetailServer(RunIp("127.41.0.4"), "先选的");
    first.DelayMs = 200;
    FakeServerConfig second = DetailServer(RunIp("127.41.0.5"), "后选的");
    second.DelayMs = 600;
    const int a = Farm.Add(first);
    const int b = Farm.Add(second);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();
    AddRows({RunIp("127.41.0.4"), RunIp("127.41.0.5")});
    // The first picked by the mouse, the second at once by the keyboard.
    QTest::mouseClick(Server->viewport(), Qt::LeftButton, {},
                      Server->visualRect(Server->model()->index(0, 0)).center());
    QTest::keyClick(Server, Qt::Key_Down);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rules->topLevelItemCount() > 0; }, 5000));

    EXPECT_EQ(Boxes(), ExpectedBoxes(second, true));
    EXPECT_EQ(Kinds(a), "i");
    EXPECT_EQ(Kinds(b), "ir");
    EXPECT_EQ(Form1->Model().SelectedAddress, RunIp("127.41.0.5:27015"));
    // The late answer still serves its own row, which was waiting for it.
    EXPECT_EQ(Form1->Model().SearchResults[0].Name, first.Name);
    EXPECT_TRUE(Form1->Model().SearchResults[0].Alive);
}

TEST_F(Details, PickedFavoriteTakesTheAnswerInTheFirstWaitingRowOfEachList) {
    const FakeServerConfig config = DetailServer(RunIp("127.41.0.6"), Name);
    ASSERT_GE(Farm.Add(config), 0);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();
    ServerStructure stale = Pending(RunIp("127.41.0.6"));
    stale.Answered = true;
    ServerRows& favorites = Form1->Model().Favorites;
    favorites.Add(stale);
    favorites.Add(stale);
    Form1->RebuildFavoritesView();
    AddRows({RunIp("127.41.0.6")}); // waiting for an answer since it was added
    auto* view = Find<QTreeView>("ListView_Favorite");
    ASSERT_EQ(view->model()->rowCount(), 2);

    // The second favorite picked: the first row of that server is the one asked for.
    view->setCurrentIndex(view->model()->index(1, 0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rules->topLevelItemCount() > 0; }, 5000));
    ServerStructure answered = stale;
    answered.Name = config.Name;
    answered.Map = config.Map;
    answered.Players = "2";
    answered.MaxPlayers = "20";
    answered.Protocol = "47";
    answered.Password = "0";
    answered.Alive = answered.Answered = true;
    answered.GameFolder = "cstrike";
    answered.Dialect = QueryDialect::Text;
    answered.Os = 'l';
    answered.Secure = 0;
    answered.Response = "0";
    answered.SentAt = Clock.TickCount();
    EXPECT_EQ(favorites[0], answered);
    EXPECT_EQ(favorites[1], stale);
    answered.Response = std::to_string(Clock.TickCount()); // its query left at tick 0
    answered.SentAt = 0;
    EXPECT_EQ(Form1->Model().SearchResults[0], answered);
    EXPECT_EQ(Boxes(), ExpectedBoxes(config, true));
}

} // namespace
