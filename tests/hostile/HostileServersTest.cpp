// Broken and hostile servers against the scan, the refresh and the details query, over
// real loopback sockets on 127.70.x.y: nothing may crash or hang, no row may be lost or
// changed by another server's answer, and every row keeps a usable address and port.
#include "DetailsController.h"
#include "FakeServer.h"
#include "FavoritesFile.h"
#include "RefreshController.h"
#include "RunAddresses.h"
#include "SearchController.h"
#include "ServerIntake.h"
#include "TNMUDP.h"
#include "TestRow.h"

#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <set>

namespace {

// Which hostile answers still name a usable server: those become rows, the rest nothing.
bool NamesAServer(HostileInfo kind) {
    switch (kind) {
    case HostileInfo::NoTerminatingZero:
    case HostileInfo::ManyPairs:
    case HostileInfo::BinaryName:
    case HostileInfo::NonNumericCounts:
        return true;
    default:
        return false;
    }
}

ServerStructure Row(const std::string& ip, const std::string& port, const std::string& name) {
    return TestRow(ip, port)
        .Name(name)
        .Map("de_aztec")
        .Counts("1", "10")
        .Protocol("47")
        .Password("0")
        .Alive();
}

class HostileServers : public testing::Test {
protected:
    HostileServers() {
        ScanUdp.OnDataReceived = [this](TNMUDP& sender, int n, const std::string& ip, int port) {
            ++ScanArrivals;
            Intake.NMUDP1DataReceived(sender, n, ip, port);
        };
        Scan.Finished = [this] { ScanDone = true; };
        Refresh.Send = [this](const std::string& host, int port, std::span<const uint8_t> bytes) {
            RefreshUdp.SendDatagram(host, port, bytes);
        };
        RefreshUdp.OnDataReceived = [this](TNMUDP& sender, int n, const std::string& ip, int port) {
            ++RefreshArrivals;
            Refresh.NMUDP2DataReceived(sender, n, ip, port);
        };
        Details.Send = [this](const std::string& host, int port, std::span<const uint8_t> bytes) {
            DetailsUdp.SendDatagram(host, port, bytes);
        };
        Details.View.ActivePage = [this] { return Page; };
        DetailsUdp.OnDataReceived = [this](TNMUDP& sender, int n, const std::string& ip, int port) {
            ++DetailsArrivals;
            Details.NMUDP0DataReceived(sender, n, ip, port);
        };
    }

    // One server per hostile answer on 127.70.<block>.10 and up, and two good ones on
    // .2 and .3, all on port 27015. Returns the address of each hostile kind.
    std::map<HostileInfo, std::string> AddServers(int block) {
        const std::string net = RunIp("127.70.") + std::to_string(block) + ".";
        std::map<HostileInfo, std::string> where;
        int octet = 10;
        for (const HostileInfo kind : AllHostileInfo) {
            FakeServerConfig config;
            config.Ip = net + std::to_string(octet++);
            config.Name = std::string(HostileInfoName(kind));
            config.RawInfo = BuildHostileInfoAnswer(kind, config);
            EXPECT_GE(Farm.Add(config), 0) << Farm.LastError();
            where[kind] = config.Ip + ":27015";
        }
        for (const char* octetText : {"2", "3"}) {
            FakeServerConfig config;
            config.Ip = net + octetText;
            config.Name = "Good " + std::string(octetText);
            EXPECT_GE(Farm.Add(config), 0) << Farm.LastError();
        }
        return where;
    }

    // Waits until arrivals have stopped for a while: every answer sent has been taken.
    static void WaitForQuiet(const int& arrivals, int quietMs = 300) {
        int seen = -1;
        for (int waited = 0; waited < 15000 && seen != arrivals; waited += quietMs) {
            seen = arrivals;
            QTest::qWait(quietMs);
        }
    }

    static void ExpectUsableAndDistinct(const ServerRows& rows) {
        std::set<std::pair<std::string, std::string>> seen;
        for (const ServerStructure& row : rows) {
            EXPECT_TRUE(ValidateAddressPort(row.IP, row.Port)) << row.IP << ":" << row.Port;
            EXPECT_TRUE(seen.insert({row.IP, row.Port}).second) << row.IP << ":" << row.Port;
        }
    }

    static std::set<std::string> Addresses(const ServerRows& rows) {
        std::set<std::string> out;
        for (const ServerStructure& row : rows)
            out.insert(row.IP + ":" + row.Port);
        return out;
    }

    FakeServerFarm Farm;
    BrowserModel Model;
    ServerIntake Intake{Model};
    TNMUDP ScanUdp{0};
    SearchController Scan{[this](const std::string& h, int p, std::span<const uint8_t> b) {
                              ScanUdp.SendDatagram(h, p, b);
                          },
                          CurrentClock()};
    RefreshController Refresh{Model};
    TNMUDP RefreshUdp{0};
    DetailsController Details{Model};
    TNMUDP DetailsUdp{0};
    int Page = 0;
    bool ScanDone = false;
    int ScanArrivals = 0, RefreshArrivals = 0, DetailsArrivals = 0;
};

TEST_F(HostileServers, AScanTakesOnlyTheAnswersThatNameAUsableServer) {
    const auto where = AddServers(1);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();
    // A row the scan must leave alone: no server answers for it.
    const ServerStructure existing = Row(RunIp("127.70.1.200"), "27015", "Existing");
    Model.SearchResults.Add(existing);

    std::string from = RunIp("127.70.1.1"), to = RunIp("127.70.1.40");
    ASSERT_EQ(Scan.Begin(from, to, {27015}), SearchController::BeginResult::Started);
    ASSERT_TRUE(QTest::qWaitFor([this] { return ScanDone; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Farm.AnswersSent() >= where.size() + 2; }, 5000));
    WaitForQuiet(ScanArrivals);

    std::set<std::string> expected{RunIp("127.70.1.2:27015"), RunIp("127.70.1.3:27015"),
                                   RunIp("127.70.1.200:27015")};
    for (const auto& [kind, address] : where)
        if (NamesAServer(kind))
            expected.insert(address);
    EXPECT_EQ(Addresses(Model.SearchResults), expected);
    ExpectUsableAndDistinct(Model.SearchResults);
    const auto at = Model.SearchResults.FindFirst(RunIp("127.70.1.200"), "27015");
    ASSERT_TRUE(at);
    EXPECT_EQ(Model.SearchResults[*at], existing);

    // The binary name comes through byte for byte; counts that are no numbers stay texts.
    const auto binary = Model.SearchResults.FindFirst(
        where.at(HostileInfo::BinaryName).substr(0, where.at(HostileInfo::BinaryName).find(':')),
        "27015");
    ASSERT_TRUE(binary);
    EXPECT_EQ(Model.SearchResults[*binary].Name.size(), 254u);
    const std::string counts = where.at(HostileInfo::NonNumericCounts);
    const auto odd = Model.SearchResults.FindFirst(counts.substr(0, counts.find(':')), "27015");
    ASSERT_TRUE(odd);
    EXPECT_EQ(Model.SearchResults[*odd].Players, "many");
    // Sorting by those columns copes with them.
    SortList(Model.SearchResults, ColPlayers, true, {});
    SortList(Model.SearchResults, ColMaxPlayers, false, {});
    EXPECT_EQ(Addresses(Model.SearchResults), expected);
}

TEST_F(HostileServers, ThousandsOfDuplicateAnswersMakeOneRow) {
    FakeServerConfig flood;
    flood.Ip = RunIp("127.70.2.5");
    flood.Name = "Flood";
    flood.Copies = 3000;
    ASSERT_GE(Farm.Add(flood), 0);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();
    const ServerStructure existing = Row(RunIp("127.70.2.6"), "27015", "Neighbour");
    Model.SearchResults.Add(existing);

    std::string from = RunIp("127.70.2.5"), to = RunIp("127.70.2.5");
    ASSERT_EQ(Scan.Begin(from, to, {27015}), SearchController::BeginResult::Started);
    ASSERT_TRUE(QTest::qWaitFor([this] { return ScanDone; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Farm.AnswersSent() >= 3000; }, 10000));
    WaitForQuiet(ScanArrivals);

    EXPECT_GT(ScanArrivals, 0);
    EXPECT_EQ(Addresses(Model.SearchResults),
              (std::set<std::string>{RunIp("127.70.2.5:27015"), RunIp("127.70.2.6:27015")}));
    EXPECT_EQ(Model.SearchResults[*Model.SearchResults.FindFirst(RunIp("127.70.2.6"), "27015")],
              existing);
    EXPECT_EQ(
        Model.SearchResults[*Model.SearchResults.FindFirst(RunIp("127.70.2.5"), "27015")].Name,
        "Flood");
}

TEST_F(HostileServers, AnswersToRequestsNeverSentChangeNoWaitingOrShownState) {
    FakeServerConfig stray;
    stray.Ip = RunIp("127.70.3.5");
    stray.Name = "Stray";
    const int id = Farm.Add(stray);
    ASSERT_GE(id, 0);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();
    const ServerStructure known = Row(RunIp("127.70.3.5"), "27015", "Known");
    Model.SearchResults.Add(known);
    Model.Favorites.Add(known);

    stray.Port = 27015;
    const std::string info = BuildInfoAnswer(stray);
    const std::string players = BuildPlayersAnswer(stray);
    const std::string rules = BuildRulesAnswerOfSize(600);
    for (const std::string* data : {&info, &players, &rules}) {
        ASSERT_TRUE(
            Farm.SendUnsolicited(id, "127.0.0.1", uint16_t(RefreshUdp.BoundPort()), *data, 300));
        ASSERT_TRUE(
            Farm.SendUnsolicited(id, "127.0.0.1", uint16_t(DetailsUdp.BoundPort()), *data, 300));
    }
    WaitForQuiet(RefreshArrivals);
    WaitForQuiet(DetailsArrivals);

    // Nothing waited for them: the rows, the details and the panel are as they were.
    EXPECT_GT(RefreshArrivals + DetailsArrivals, 0);
    ASSERT_EQ(Model.SearchResults.size(), 1u);
    EXPECT_EQ(Model.SearchResults[0], known);
    ASSERT_EQ(Model.Favorites.size(), 1u);
    EXPECT_EQ(Model.Favorites[0], known);
    EXPECT_EQ(Model.PlayerCount, 0);
    EXPECT_EQ(Model.RuleCount, 0);
    for (const std::string& box : Details.Boxes())
        EXPECT_EQ(box, "");
}

TEST_F(HostileServers, ARefreshLosesAndMovesNoRow) {
    const auto where = AddServers(4);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();
    std::vector<std::string> order;
    for (const auto& [kind, address] : where) {
        const std::string ip = address.substr(0, address.find(':'));
        Model.SearchResults.Add(Row(ip, "27015", "old"));
        Model.Favorites.Add(Row(ip, "27015", "old"));
        order.push_back(address);
    }
    for (const std::string& ip : {RunIp("127.70.4.2"), RunIp("127.70.4.3")}) {
        Model.SearchResults.Add(Row(ip, "27015", "old"));
        order.push_back(std::string(ip) + ":27015");
    }

    Refresh.StartRefresh();
    ASSERT_TRUE(QTest::qWaitFor([this] { return Refresh.RunningPasses() == 0; }, 10000));
    WaitForQuiet(RefreshArrivals);

    std::vector<std::string> after;
    for (const ServerStructure& row : Model.SearchResults)
        after.push_back(row.IP + ":" + row.Port);
    EXPECT_EQ(after, order);
    EXPECT_EQ(Model.Favorites.size(), where.size());
    ExpectUsableAndDistinct(Model.SearchResults);
    ExpectUsableAndDistinct(Model.Favorites);
    // Good servers answered; an answer that names no server left its row waiting.
    EXPECT_EQ(
        Model.SearchResults[*Model.SearchResults.FindFirst(RunIp("127.70.4.2"), "27015")].Name,
        "Good 2");
    for (const auto& [kind, address] : where) {
        const auto at =
            Model.SearchResults.FindFirst(address.substr(0, address.find(':')), "27015");
        ASSERT_TRUE(at);
        EXPECT_EQ(Model.SearchResults[*at].Answered, NamesAServer(kind)) << HostileInfoName(kind);
    }
}

struct DetailCase {
    const char* Name;
    size_t RulesSize;
    bool Taken;
};
void PrintTo(const DetailCase& c, std::ostream* os) {
    *os << c.Name;
}

class HostileDetails : public HostileServers, public testing::WithParamInterface<DetailCase> {};

TEST_P(HostileDetails, RulesAnswersAreTakenFrom512Bytes) {
    FakeServerConfig server;
    server.Ip = RunIp("127.70.5.5");
    server.Name = "Rules";
    server.RawRules = BuildRulesAnswerOfSize(GetParam().RulesSize);
    // Players answer garbage: any bytes after the tag.
    std::string garbage = "\xFF\xFF\xFF\xFF"
                          "D";
    for (int i = 0; i < 600; ++i)
        garbage.push_back(char(i * 37 + 11));
    server.RawPlayers = garbage;
    ASSERT_GE(Farm.Add(server), 0);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();
    Model.SearchResults.Add(Row(RunIp("127.70.5.5"), "27015", "old"));

    Page = 2; // rules
    Details.RequestDetails(Model.SearchResults, 0);
    ASSERT_TRUE(QTest::qWaitFor([this] { return DetailsArrivals >= 2; }, 5000));
    WaitForQuiet(DetailsArrivals, 150);
    const std::string& rules = *server.RawRules;
    const int sent = uint8_t(rules[5]) | uint8_t(rules[6]) << 8;
    EXPECT_EQ(Model.RuleCount, GetParam().Taken ? sent : 0);
    EXPECT_EQ(Model.SearchResults[0].Name, "Rules");

    Page = 1; // players
    Details.QueryDetails(RunIp("127.70.5.5:27015"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return Model.PlayerCount > 0; }, 5000));
    EXPECT_LE(Model.PlayerCount, MaxPlayersInfo);
    ExpectUsableAndDistinct(Model.SearchResults);
}

INSTANTIATE_TEST_SUITE_P(Sizes, HostileDetails,
                         testing::Values(DetailCase{"Rules511", 511, false},
                                         DetailCase{"Rules512", 512, true},
                                         DetailCase{"Rules2000", 2000, true}),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
