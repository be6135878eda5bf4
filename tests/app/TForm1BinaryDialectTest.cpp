// Old and today's servers side by side through the real main window, offscreen: a scan
// over a farm of text servers, binary ones with and without the challenge, 'm'+'I'
// answerers, a server answering both dialects, one with split rules and one of another
// game; the details of the split one; a refresh of every row and of a favorite whose
// dialect is not known. Servers bind this run's own loopback block; the test holds the
// fixed local ports (NMUDP0..3).
#include "AppFixture.h"
#include "DetailsController.h"
#include "FakeServer.h"
#include "Gbk.h"
#include "PortPanel.h"
#include "RefreshController.h"
#include "RunAddresses.h"
#include "SearchController.h"
#include "ServerList.h"
#include "TForm1.h"
#include "TNMUDP.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace {

constexpr int Lane = 7;

struct Member {
    const char* Label;
    int Host; // RunAddress(Lane, Host)
    FakeDialect Dialect;
    bool Challenge;
    FakeInfoForm Form;
    int Protocol;
    const char* Folder;
    const char* Tag;     // the row's version tag after the scan
    const char* Version; // the version the first column tells
};

// Every kind of server a LAN holds today.
const Member Farmed[] = {
    {"old 1.6", 1, FakeDialect::Text, false, FakeInfoForm::I, 47, "cstrike", "47", "CS 1.6"},
    {"old 1.5", 2, FakeDialect::Text, false, FakeInfoForm::I, 46, "cstrike", "46", "CS 1.5"},
    {"new plain", 3, FakeDialect::Binary, false, FakeInfoForm::I, 47, "cstrike", "47", "CS 1.6"},
    {"new challenge", 4, FakeDialect::Binary, true, FakeInfoForm::I, 47, "cstrike", "47", "CS 1.6"},
    {"m and I", 5, FakeDialect::Binary, true, FakeInfoForm::Both, 47, "cstrike", "47", "CS 1.6"},
    {"both dialects", 6, FakeDialect::Both, true, FakeInfoForm::I, 47, "cstrike", "47", "CS 1.6"},
    {"split rules", 7, FakeDialect::Binary, true, FakeInfoForm::I, 47, "cstrike", "47", "CS 1.6"},
    {"other game", 8, FakeDialect::Binary, true, FakeInfoForm::I, 48, "valve", "00", "valve"},
};
constexpr int SplitHost = 7;
constexpr int FavoriteHost = 30; // outside the scanned range: a favorite only

FakeServerConfig Config(const Member& m) {
    FakeServerConfig config;
    config.Ip = RunAddress(Lane, m.Host);
    config.Port = 27015;
    config.Name = m.Label;
    config.Dialect = m.Dialect;
    config.Challenge = m.Challenge;
    config.InfoForm = m.Form;
    config.Protocol = m.Protocol;
    config.GameDir = m.Folder;
    config.Bots = m.Host % 3;
    config.Version = "1.1.2." + std::to_string(m.Host) + "/Stdio";
    if (m.Host == SplitHost) {
        config.RulesSplit = 5;
        config.Players = 4;
        config.PlayerList = {
            {"Alice", 7, 60.0f}, {G("北京 玩家"), 3, 30.0f}, {"", 0, 1.0f}, {"Bot 1", 1, 2.0f}};
        config.Bots = 1;
        config.MaxPlayers = 20;
    }
    return config;
}

class BinaryDialect : public ::testing::Test {
protected:
    void SetUp() override {
        App.WriteIni("WindowStates/RemWindowStates=0\n"
                     "Favorite/Synchronize=0\n"
                     "AutoActions/Interval=1\n"
                     "SearchRange/FromIP=\n"
                     "SearchRange/ToIP=\n");
        App.Create();
        Form1->CreateEndpoints();
        App.Show();
    }
    static void Type(QLineEdit* edit, const QString& text) {
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    static void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    static QString Box(int i) {
        return Find<QLineEdit>(("SS" + std::to_string(i)).c_str())->text();
    }
    // The search result row of that address; -1 when there is none or more than one.
    static int RowOf(const std::string& ip) {
        const ServerRows& rows = Form1->Model().SearchResults;
        const std::vector<size_t> found = rows.Find(ip, "27015");
        return found.size() == 1 ? static_cast<int>(found[0]) : -1;
    }
    // Info requests each server got since the last clear, by kind ('i' text, 'T' binary).
    std::map<int, std::string> InfoRequests() const {
        std::map<int, std::string> kinds;
        for (const auto& r : Farm.Requests())
            if (r.Kind == 'i' || r.Kind == 'T')
                kinds[r.Server] += r.Kind;
        return kinds;
    }

    AppFixture App;
    FakeServerFarm Farm;
};

TEST_F(BinaryDialect, ScanDetailsAndRefreshOverAMixedFarm) {
    std::vector<int> ids;
    for (const Member& m : Farmed)
        ids.push_back(Farm.Add(Config(m)));
    Member favorite{"favorite",      FavoriteHost, FakeDialect::Binary, true,
                    FakeInfoForm::I, 47,           "cstrike",           "47",
                    "CS 1.6"};
    const int favoriteId = Farm.Add(Config(favorite));
    for (const int id : ids)
        ASSERT_GE(id, 0) << Farm.LastError();
    ASSERT_GE(favoriteId, 0);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();

    // The scan: each server once, with its version.
    Type(Form1->Edit_FromIP, QString::fromStdString(RunAddress(Lane, 1)));
    Type(Form1->Edit_ToIP, QString::fromStdString(RunAddress(Lane, 20)));
    if (!Form1->ComboBox_Port->IsExpanded())
        Click(Form1->ComboBox_Port->DropButton());
    Type(Form1->Edit_Port, QStringLiteral("27015"));
    Click(Form1->Button_AddPort);
    Click(Form1->ComboBox_Port->DropButton());
    Click(Form1->Button_Begin);
    ASSERT_TRUE(QTest::qWaitFor(
        [] {
            return Form1->Memo_SearchLog->toPlainText().contains(QStringLiteral("搜索结束 !")) &&
                   !Form1->Search->Searching();
        },
        20000));
    const ServerRows& results = Form1->Model().SearchResults;
    ASSERT_TRUE(QTest::qWaitFor([&] { return results.size() == std::size(Farmed); }, 5000))
        << results.size();
    QAbstractItemModel* view = Form1->ListView_Server->model();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return view->rowCount() == static_cast<int>(std::size(Farmed)); }, 5000));
    for (const Member& m : Farmed) {
        SCOPED_TRACE(m.Label);
        const int row = RowOf(RunAddress(Lane, m.Host));
        ASSERT_GE(row, 0);
        EXPECT_EQ(results[static_cast<size_t>(row)].Name, m.Label);
        EXPECT_EQ(results[static_cast<size_t>(row)].Protocol, m.Tag);
        EXPECT_EQ(results[static_cast<size_t>(row)].Dialect,
                  m.Dialect == FakeDialect::Text ? QueryDialect::Text : QueryDialect::Binary);
        // The view's first column tells the version (another game: its folder).
        const QModelIndex first = view->index(row, ColName);
        EXPECT_EQ(first.data(Qt::ToolTipRole).toString(), QString::fromLatin1(m.Version));
        const QString shown = first.data().toString();
        EXPECT_EQ(shown, std::string(m.Folder) == "valve"
                             ? QStringLiteral("[valve] ") + QString::fromLatin1(m.Label)
                             : QString::fromLatin1(m.Label));
    }

    // The details of the server with the challenge and split rules: every rule, then
    // every player once the players page is shown.
    auto* pages = Find<QTabWidget>("PageControl_Info");
    auto* players = Find<QTreeWidget>("ListView_PlayersInfo");
    auto* rules = Find<QTreeWidget>("ListView_RulesInfo");
    const FakeServerConfig split = Config(Farmed[SplitHost - 1]);
    pages->setCurrentIndex(2);
    Farm.ClearRequests();
    const int splitRow = RowOf(split.Ip);
    Form1->ListView_Server->setCurrentIndex(view->index(splitRow, 0));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return rules->topLevelItemCount() == static_cast<int>(split.Rules.size()); }, 5000))
        << rules->topLevelItemCount();
    std::map<std::string, std::string> shownRules;
    for (int i = 0; i < rules->topLevelItemCount(); ++i)
        shownRules[G(rules->topLevelItem(i)->text(0).toStdString())] =
            G(rules->topLevelItem(i)->text(1).toStdString());
    EXPECT_EQ(shownRules,
              (std::map<std::string, std::string>(split.Rules.begin(), split.Rules.end())));
    // The info with its challenge round trip, then the rules with the challenge it gave:
    // nothing more.
    std::map<char, int> kinds;
    for (const auto& r : Farm.Requests())
        if (r.Server == ids[SplitHost - 1])
            ++kinds[r.Kind];
    EXPECT_EQ(kinds, (std::map<char, int>{{'T', 2}, {'V', 1}}));

    pages->setCurrentIndex(1); // a pass that ends in a details query, players this time
    ASSERT_TRUE(QTest::qWaitFor([&] { return players->topLevelItemCount() == 4; }, 5000));
    QStringList names;
    for (int i = 0; i < players->topLevelItemCount(); ++i)
        names << players->topLevelItem(i)->text(1);
    names.sort();
    EXPECT_EQ(names, (QStringList{QString(), QStringLiteral("Alice"), QStringLiteral("Bot 1"),
                                  QStringLiteral("北京 玩家")}));
    EXPECT_EQ(Box(0), QStringLiteral("split rules"));
    EXPECT_EQ(Box(1), QString::fromStdString(split.Ip + ":27015"));
    EXPECT_EQ(Box(17), QStringLiteral("CS 1.6"));
    EXPECT_EQ(Box(18), QStringLiteral("二进制 (A2S)"));
    EXPECT_EQ(Box(19), QStringLiteral("1"));
    EXPECT_EQ(Box(20), QStringLiteral("Linux"));
    EXPECT_EQ(Box(21), QStringLiteral("开启"));
    EXPECT_EQ(Box(22), QStringLiteral("1.1.2.7/Stdio"));
    ASSERT_TRUE(QTest::qWaitFor([] { return Form1->Refresh->RunningPasses() == 0; }, 10000));

    // A favorite of unknown dialect beside them; then every server changes its map and
    // one refresh takes each change, each row asked once in its own dialect.
    {
        ServerStructure row;
        row.Name = "favorite";
        row.IP = RunAddress(Lane, FavoriteHost);
        row.Port = "27015";
        row.Protocol = "00";
        Form1->Model().Favorites.Add(row);
        Form1->RebuildFavoritesView();
    }
    for (const int id : ids) {
        FakeServerConfig changed = Farm.Config(id);
        changed.Map = "de_inferno";
        Farm.SetConfig(id, changed);
    }
    Farm.ClearRequests();
    Click(Form1->ToolButton_RefreshList);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const ServerRows& favorites = Form1->Model().Favorites;
            for (size_t i = 0; i < results.size(); ++i)
                if (results[i].Map != "de_inferno")
                    return false;
            return favorites.size() == 1 && favorites[0].Answered && favorites[0].Alive &&
                   Form1->Refresh->RunningPasses() == 0;
        },
        10000));
    // The details query that ends the pass goes out after the pass: wait for its requests.
    const int splitId = ids[static_cast<size_t>(SplitHost - 1)];
    (void)QTest::qWaitFor(
        [&] {
            const std::map<int, std::string> seen = InfoRequests();
            return seen.count(splitId) && seen.at(splitId).size() >= 4;
        },
        3000);
    const std::map<int, std::string> asked = InfoRequests();
    for (const Member& m : Farmed) {
        SCOPED_TRACE(m.Label);
        const int id = ids[static_cast<size_t>(m.Host - 1)];
        const ServerStructure& row = results[static_cast<size_t>(RowOf(RunAddress(Lane, m.Host)))];
        EXPECT_EQ(row.Name, m.Label);
        EXPECT_EQ(row.Protocol, m.Tag);
        EXPECT_FALSE(row.Response.empty());
        // The picked server is asked again by the details query that ends the pass.
        const std::string expected = m.Dialect == FakeDialect::Text ? "i"
                                     : m.Host == SplitHost          ? "TTTT"
                                     : m.Challenge                  ? "TT"
                                                                    : "T";
        EXPECT_EQ(asked.count(id) ? asked.at(id) : std::string(), expected);
    }
    const ServerStructure& fav = Form1->Model().Favorites[0];
    EXPECT_EQ(fav.Name, "favorite");
    EXPECT_EQ(fav.Protocol, "47");
    EXPECT_EQ(fav.Dialect, QueryDialect::Binary);
    EXPECT_EQ(fav.Version, "1.1.2.30/Stdio");
    EXPECT_EQ(fav.Secure, 1);
    // Asked in both dialects, the binary one with its challenge.
    EXPECT_EQ(asked.count(favoriteId) ? asked.at(favoriteId) : std::string(), "iTT");
}

} // namespace

namespace {

// Every box of the basic page, the binary dialect's five included, lies whole inside the
// page at the window's design size, with its label.
TEST(BinaryDialectPanel, EveryBoxFitsTheBasicPageAtTheDesignSize) {
    AppFixture app;
    app.WriteIni("WindowStates/RemWindowStates=0\n");
    app.Create();
    app.Show();
    EXPECT_EQ(Form1->size(), QSize(895, 602)); // the design size, not grown for the rows
    auto* page = Find<QWidget>("TabSheet_Basic");
    ASSERT_NE(page, nullptr);
    Find<QTabWidget>("PageControl_Info")->setCurrentIndex(0);
    QTest::qWait(50);
    const char* labels[] = {"协议", "机器人", "系统", "VAC", "服务器版本"};
    for (int i = 0; i < DetailsController::BoxCount; ++i) {
        SCOPED_TRACE(i);
        auto* box = Find<QLineEdit>(("SS" + std::to_string(i)).c_str());
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->isVisible());
        const QRect inPage(box->mapTo(page, QPoint(0, 0)), box->size());
        EXPECT_TRUE(page->rect().contains(inPage)) << inPage.y() << " " << page->height();
        if (i >= DetailsController::DialectBox) {
            EXPECT_EQ(box->accessibleName(), QString::fromUtf8(labels[i - 18]));
        }
    }
    if (const char* shot = std::getenv("QUARRIX_PANEL_SHOT"))
        Form1->grab().save(QString::fromLocal8Bit(shot));
}

} // namespace
