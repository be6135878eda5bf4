// The search of the LAN against simulated servers on this run's loopback block. The
// installed interface list's "broadcast" addresses are loopback addresses where servers
// listen, so the whole path runs on loopback without broadcasting.
#include "LanSearch.h"
#include "FakeNetworkInterfaces.h"
#include "FakeServer.h"
#include "Gbk.h"
#include "MessageTable.h"
#include "RunAddresses.h"

#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

FakeServerConfig Server(const std::string& ip, uint16_t port, const std::string& name,
                        FakeDialect dialect = FakeDialect::Text) {
    FakeServerConfig c;
    c.Ip = ip;
    c.Port = port;
    c.Name = name;
    c.Dialect = dialect;
    return c;
}

NetworkInterface Interface(const char* name, const char* address, const char* broadcast,
                           bool up = true, bool broadcastCapable = true) {
    return TestInterface(name, RunIp(address), "255.255.255.0", RunIp(broadcast), up, false,
                         broadcastCapable);
}

class LanFixture : public testing::Test {
protected:
    LanFixture() {
        Intake.Asked = [this](const std::string& host, int port) { return Lan.Covers(host, port); };
        // Challenges go back through the search's own socket, never through the scan's.
        Intake.Send = [this](const std::string& host, int port, std::span<const uint8_t>) {
            ScanSends.push_back(host + ":" + std::to_string(port));
        };
        Lan.ListenMs = 1000;
        Lan.LogLine = [this](const std::string& line) { Log.push_back(line); };
        Lan.RunningChanged = [this](bool running) { States.push_back(running); };
        Lan.ShowMessage = [this](int message, int caption) {
            Messages.emplace_back(message, caption);
        };
        Lan.Finished = [this](int servers) { FinishedWith = servers; };
    }

    // Everything that sends nothing must also leave the servers unasked: a datagram sent
    // after it reaches the server first.
    void ExpectNothingSentTo(int server) {
        UdpSocket marker;
        ASSERT_EQ(marker.Open(), 0);
        const std::string ping = "marker";
        ASSERT_TRUE(marker.SendTo(
            *Ipv4Address::Parse(Farm.Address(server).substr(0, Farm.Address(server).find(':'))),
            Farm.Port(server), {reinterpret_cast<const uint8_t*>(ping.data()), ping.size()}));
        ASSERT_TRUE(Farm.WaitForRequests(1, 5000));
        const auto requests = Farm.Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].Data, ping);
    }

    FakeServerFarm Farm;
    BrowserModel Model;
    ServerIntake Intake{Model};
    LanSearch Lan{Model, Intake};
    std::vector<std::string> Log;
    std::vector<bool> States;
    std::vector<std::pair<int, int>> Messages;
    std::vector<std::string> ScanSends;
    std::optional<int> FinishedWith;
};

TEST_F(LanFixture, AsksEveryBroadcastNetworkOnEveryPortAndListsTheAnswers) {
    const FixedNetworkInterfaces list({
        TestInterface("lo", "127.0.0.1", "255.0.0.0", "", true, true, false),
        Interface("qx0", "127.33.1.1", "127.33.1.200"),
        Interface("qx1", "127.33.2.1", "127.33.2.200", false),       // down
        Interface("qx2", "127.33.3.1", "127.33.3.200", true, false), // point to point
        Interface("qx3", "127.33.1.2", "127.33.1.200"), // a second address on qx0's network
    });
    const ScopedNetworkInterfaces installed(list);
    const std::string lan = RunIp("127.33.1.200");
    const int text = Farm.Add(Server(lan, 27015, "Text LAN"));
    FakeServerConfig binary = Server(lan, 27016, "Binary LAN", FakeDialect::Binary);
    binary.Challenge = true;
    const int challenged = Farm.Add(binary);
    const int both = Farm.Add(Server(lan, 27017, "Both LAN", FakeDialect::Both));
    const int otherPort = Farm.Add(Server(lan, 27099, "Other port"));
    const int downNet = Farm.Add(Server(RunIp("127.33.2.200"), 27015, "Down network"));
    const int pointToPoint = Farm.Add(Server(RunIp("127.33.3.200"), 27015, "Point to point"));
    FakeServerConfig outsider = Server(RunIp("127.33.9.5"), 27015, "Outsider", FakeDialect::Binary);
    outsider.Silent = true;
    const int outside = Farm.Add(outsider);
    ASSERT_GE(outside, 0) << Farm.LastError();
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();

    ASSERT_EQ(Lan.Start({27015, 27016, 27017}), LanSearch::StartResult::Started);
    EXPECT_TRUE(Lan.Running());
    // While it listens, a binary answer from a network it did not ask reaches its socket.
    ASSERT_TRUE(Farm.WaitForRequests(1, 5000));
    const uint16_t lanPort = Farm.Requests()[0].FromPort;
    ASSERT_TRUE(Farm.SendUnsolicited(outside, "127.0.0.1", lanPort, BuildA2sInfoI(outsider), 1));
    ASSERT_TRUE(QTest::qWaitFor([this] { return FinishedWith.has_value(); }, 10000));

    std::vector<std::string> rows;
    for (const ServerStructure& row : Model.SearchResults)
        rows.push_back(row.Name + "@" + row.IP + ":" + row.Port);
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::string>{RunIp("Binary LAN@127.33.1.200:27016"),
                                              RunIp("Both LAN@127.33.1.200:27017"),
                                              RunIp("Text LAN@127.33.1.200:27015")}));
    EXPECT_EQ(*FinishedWith, 3);
    EXPECT_EQ(Lan.Answered(), 3);
    EXPECT_FALSE(Lan.Running());
    EXPECT_EQ(States, (std::vector<bool>{true, false}));
    EXPECT_TRUE(ScanSends.empty());
    EXPECT_EQ(Lan.Targets(), std::vector<Ipv4Address>{*Ipv4Address::Parse(lan)});

    // One text and one binary request per port and network, the challenge answered once.
    std::map<int, std::string> kinds;
    for (const auto& r : Farm.Requests())
        kinds[r.Server] += r.Kind;
    for (auto& [server, seen] : kinds)
        std::sort(seen.begin(), seen.end());
    EXPECT_EQ(kinds, (std::map<int, std::string>{{text, "Ti"}, {challenged, "TTi"}, {both, "Ti"}}));
    for (const int unasked : {otherPort, downNet, pointToPoint, outside})
        EXPECT_EQ(kinds.count(unasked), 0u) << Farm.Address(unasked);

    ASSERT_GE(Log.size(), 3u);
    EXPECT_EQ(Log.front(), G("局域网搜索开始 ..."));
    EXPECT_EQ(std::count(Log.begin(), Log.end(), G("广播地址: ") + lan), 1);
    EXPECT_EQ(Log.back(), G("局域网搜索结束 ! 找到服务器: 3"));
    EXPECT_TRUE(Messages.empty());
}

TEST_F(LanFixture, RefusedWhileAScanOrAnotherSearchRuns) {
    const FixedNetworkInterfaces list({Interface("qx0", "127.33.5.1", "127.33.5.200")});
    const ScopedNetworkInterfaces installed(list);
    const int server = Farm.Add(Server(RunIp("127.33.5.200"), 27015, "Busy"));
    ASSERT_GE(server, 0) << Farm.LastError();
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();

    bool scanning = true;
    Lan.ScanRunning = [&scanning] { return scanning; };
    EXPECT_EQ(Lan.Start({27015}), LanSearch::StartResult::Busy);
    EXPECT_FALSE(Lan.Running());
    EXPECT_TRUE(Log.empty());
    EXPECT_TRUE(States.empty());
    ExpectNothingSentTo(server);

    scanning = false;
    Farm.ClearRequests();
    ASSERT_EQ(Lan.Start({27015}), LanSearch::StartResult::Started);
    const size_t logged = Log.size();
    EXPECT_EQ(Lan.Start({27015}), LanSearch::StartResult::Busy);
    EXPECT_EQ(Log.size(), logged);
    ASSERT_TRUE(QTest::qWaitFor([this] { return FinishedWith.has_value(); }, 10000));
    EXPECT_EQ(*FinishedWith, 1);
    EXPECT_EQ(Farm.RequestCount(), 2u); // one search: its text and binary request
}

TEST_F(LanFixture, NoPortsOrNoBroadcastInterfaceSendsNothingAndSaysWhy) {
    const FixedNetworkInterfaces list({
        TestInterface("lo", "127.0.0.1", "255.0.0.0", "127.255.255.255", true, true, true),
        Interface("qx1", "127.33.6.1", "127.33.6.200", false),
        Interface("qx2", "127.33.7.1", "127.33.7.200", true, false),
    });
    const ScopedNetworkInterfaces installed(list);
    const int server = Farm.Add(Server(RunIp("127.33.6.200"), 27015, "Nobody asks"));
    ASSERT_GE(server, 0) << Farm.LastError();
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();

    EXPECT_EQ(Lan.Start({}), LanSearch::StartResult::NoPorts);
    EXPECT_EQ(Messages, (std::vector<std::pair<int, int>>{{MsgInvalidPort, MsgNotice}}));
    EXPECT_TRUE(Log.empty());

    EXPECT_EQ(Lan.Start({27015}), LanSearch::StartResult::NoInterface);
    EXPECT_FALSE(Lan.Running());
    EXPECT_TRUE(States.empty());
    EXPECT_EQ(Log, (std::vector<std::string>{G("局域网搜索开始 ..."), G("没有可以广播的网络接口 !"),
                                             G("局域网搜索结束 ! 找到服务器: 0")}));
    ExpectNothingSentTo(server);
}

} // namespace
