// The scan end to end on loopback: controller, worker, endpoint, intake and simulated
// servers on 127.30.x.x.
#include "FakeServer.h"
#include "SearchController.h"
#include "ServerIntake.h"
#include "TNMUDP.h"

#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

class ScanFixture : public testing::Test {
protected:
    ScanFixture() {
        Udp.OnDataReceived = [this](TNMUDP& sender, int n, const std::string& ip, int port) {
            Intake.NMUDP1DataReceived(sender, n, ip, port);
        };
        Controller.Finished = [this] { Done = true; };
    }
    void Scan(std::string from, std::string to, std::vector<int32_t> ports) {
        ASSERT_EQ(Controller.Begin(from, to, ports), SearchController::BeginResult::Started);
        ASSERT_TRUE(QTest::qWaitFor([this] { return Done; }, 10000));
    }

    FakeServerFarm Farm;
    BrowserModel Model;
    ServerRows& SearchResults = Model.SearchResults;
    ServerIntake Intake{Model};
    TNMUDP Udp{0};
    SearchController Controller{[this](const std::string& h, int p, std::span<const uint8_t> b) {
                                    Udp.SendDatagram(h, p, b);
                                },
                                CurrentClock()};
    bool Done = false;
};

FakeServerConfig Server(const char* ip, uint16_t port, const char* name) {
    FakeServerConfig c;
    c.Ip = ip;
    c.Port = port;
    c.Name = name;
    return c;
}

TEST_F(ScanFixture, FindsExactlyTheAnsweringServersOfTheRange) {
    ASSERT_GE(Farm.Add(Server("127.30.1.3", 27015, "Alpha")), 0);
    ASSERT_GE(Farm.Add(Server("127.30.1.7", 27016, "Bravo")), 0);
    // one server on two ports of the list, reporting one address: one row
    FakeServerConfig twin = Server("127.30.1.12", 27015, "Twin");
    ASSERT_GE(Farm.Add(twin), 0);
    twin.Port = 27016;
    twin.ReportedAddress = "127.30.1.12:27015";
    ASSERT_GE(Farm.Add(twin), 0);
    FakeServerConfig silent = Server("127.30.1.15", 27015, "Silent");
    silent.Silent = true;
    ASSERT_GE(Farm.Add(silent), 0);
    const int outside = Farm.Add(Server("127.30.1.30", 27015, "Outside"));
    ASSERT_GE(outside, 0);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();

    Scan("127.30.1.1", "127.30.1.20", {27015, 27016});
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return SearchResults.size() >= 3 && Farm.AnswersSent() >= 4; }, 5000));
    QTest::qWait(100); // room for anything that should not come
    std::vector<std::string> names;
    for (const ServerStructure& row : SearchResults)
        names.push_back(row.Name + "@" + row.IP + ":" + row.Port);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha@127.30.1.3:27015", "Bravo@127.30.1.7:27016",
                                               "Twin@127.30.1.12:27015"}));
    const auto requests = Farm.Requests();
    EXPECT_EQ(std::count_if(requests.begin(), requests.end(),
                            [&](const auto& r) { return r.Server == outside; }),
              0);
    // 20 addresses × 2 ports, and the log says so
    EXPECT_EQ(Controller.Log().Lines()[3].substr(Controller.Log().Lines()[3].size() - 2), "40");
}

TEST_F(ScanFixture, ServersSeeTheOrderAndTheSkippedOctets) {
    std::map<int, std::string> names;
    for (const char* ip : {"127.30.2.254", "127.30.2.255", "127.30.3.0", "127.30.3.1"})
        for (uint16_t port : {uint16_t{27015}, uint16_t{27016}}) {
            FakeServerConfig c = Server(ip, port, "quiet");
            c.Silent = true;
            const int id = Farm.Add(c);
            ASSERT_GE(id, 0) << ip;
            names[id] = std::string(ip) + ":" + std::to_string(port);
        }
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();

    Scan("127.30.2.254", "127.30.3.1", {27016, 27015});
    ASSERT_TRUE(Farm.WaitForRequests(8, 5000));
    QTest::qWait(50);
    auto requests = Farm.Requests();
    std::sort(requests.begin(), requests.end(),
              [](const auto& a, const auto& b) { return a.ReceivedNs < b.ReceivedNs; });
    std::vector<std::string> seen;
    for (const auto& r : requests)
        seen.push_back(names[r.Server] + " " + r.Kind);
    // Each address and port gets the text request, then the binary one.
    EXPECT_EQ(seen, (std::vector<std::string>{"127.30.2.254:27016 i", "127.30.2.254:27016 T",
                                              "127.30.2.254:27015 i", "127.30.2.254:27015 T",
                                              "127.30.3.1:27016 i", "127.30.3.1:27016 T",
                                              "127.30.3.1:27015 i", "127.30.3.1:27015 T"}));
    EXPECT_TRUE(SearchResults.empty());
}

} // namespace
