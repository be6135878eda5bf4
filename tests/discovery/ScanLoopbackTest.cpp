// The scan end to end on loopback: controller, worker, endpoint, intake and simulated
// servers on 127.30.x.x.
#include "FakeServer.h"
#include "RunAddresses.h"
#include "SearchController.h"
#include "SearchThread.h"
#include "ServerIntake.h"
#include "TNMUDP.h"

#include <QTest>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <set>
#include <thread>

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

FakeServerConfig Server(const std::string& ip, uint16_t port, const char* name) {
    FakeServerConfig c;
    c.Ip = ip;
    c.Port = port;
    c.Name = name;
    return c;
}

TEST_F(ScanFixture, FindsExactlyTheAnsweringServersOfTheRange) {
    ASSERT_GE(Farm.Add(Server(RunIp("127.30.1.3"), 27015, "Alpha")), 0);
    ASSERT_GE(Farm.Add(Server(RunIp("127.30.1.7"), 27016, "Bravo")), 0);
    // one server on two ports of the list, reporting one address: one row
    FakeServerConfig twin = Server(RunIp("127.30.1.12"), 27015, "Twin");
    ASSERT_GE(Farm.Add(twin), 0);
    twin.Port = 27016;
    twin.ReportedAddress = RunIp("127.30.1.12:27015");
    ASSERT_GE(Farm.Add(twin), 0);
    FakeServerConfig silent = Server(RunIp("127.30.1.15"), 27015, "Silent");
    silent.Silent = true;
    ASSERT_GE(Farm.Add(silent), 0);
    const int outside = Farm.Add(Server(RunIp("127.30.1.30"), 27015, "Outside"));
    ASSERT_GE(outside, 0);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();

    Scan(RunIp("127.30.1.1"), RunIp("127.30.1.20"), {27015, 27016});
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return SearchResults.size() >= 3 && Farm.AnswersSent() >= 4; }, 5000));
    QTest::qWait(100); // room for anything that should not come
    std::vector<std::string> names;
    for (const ServerStructure& row : SearchResults)
        names.push_back(row.Name + "@" + row.IP + ":" + row.Port);
    EXPECT_EQ(names, (std::vector<std::string>{RunIp("Alpha@127.30.1.3:27015"),
                                               RunIp("Bravo@127.30.1.7:27016"),
                                               RunIp("Twin@127.30.1.12:27015")}));
    const auto requests = Farm.Requests();
    EXPECT_EQ(std::count_if(requests.begin(), requests.end(),
                            [&](const auto& r) { return r.Server == outside; }),
              0);
    // 20 addresses × 2 ports, and the log says so
    EXPECT_EQ(Controller.Log().Lines()[3].substr(Controller.Log().Lines()[3].size() - 2), "40");
}

TEST_F(ScanFixture, ServersSeeTheOrderAndTheSkippedOctets) {
    std::map<int, std::string> names;
    for (const std::string& ip :
         {RunIp("127.30.2.254"), RunIp("127.30.2.255"), RunIp("127.30.3.0"), RunIp("127.30.3.1")})
        for (uint16_t port : {uint16_t{27015}, uint16_t{27016}}) {
            FakeServerConfig c = Server(ip, port, "quiet");
            c.Silent = true;
            const int id = Farm.Add(c);
            ASSERT_GE(id, 0) << ip;
            names[id] = std::string(ip) + ":" + std::to_string(port);
        }
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();

    Scan(RunIp("127.30.2.254"), RunIp("127.30.3.1"), {27016, 27015});
    ASSERT_TRUE(Farm.WaitForRequests(8, 5000));
    QTest::qWait(50);
    auto requests = Farm.Requests();
    std::sort(requests.begin(), requests.end(),
              [](const auto& a, const auto& b) { return a.ReceivedNs < b.ReceivedNs; });
    std::vector<std::string> seen;
    for (const auto& r : requests)
        seen.push_back(names[r.Server] + " " + r.Kind);
    // Each address and port gets the text request, then the binary one.
    EXPECT_EQ(seen, (std::vector<std::string>{
                        RunIp("127.30.2.254:27016 i"), RunIp("127.30.2.254:27016 T"),
                        RunIp("127.30.2.254:27015 i"), RunIp("127.30.2.254:27015 T"),
                        RunIp("127.30.3.1:27016 i"), RunIp("127.30.3.1:27016 T"),
                        RunIp("127.30.3.1:27015 i"), RunIp("127.30.3.1:27015 T")}));
    EXPECT_TRUE(SearchResults.empty());
}

// A walk held by its pace leaves the wait as soon as it is told to stop, so the UI thread
// that stops and joins it (before the next scan) is never held. Here the hold could last
// for ever: the endpoint's queue is full, its owner takes nothing while it joins, so the
// reading thread waits and the pace sees datagrams it may not write off.
TEST(PacedScan, StoppedWalkLeavesItsPaceWaitAtOnce) {
    using namespace std::chrono;
    TNMUDP endpoint(0, ReceiveBufferRequest::Stock());
    endpoint.SetAnswerTest([](std::span<const uint8_t>) { return false; });
    // Junk the owner does not take (no event loop runs), until the queue is full: 64 MiB.
    const int junk = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(junk, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(static_cast<uint16_t>(endpoint.BoundPort()));
    const std::string bytes(2000, 'j');
    for (int i = 0; i < 45000; ++i) {
        sendto(junk, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
               sizeof to);
        // The reading thread keeps up, so the queue, not the system, takes the bytes.
        if (i % 100 == 99)
            std::this_thread::sleep_for(1ms);
    }
    close(junk);

    SearchThread walk([&](const std::string& host, int port, std::span<const uint8_t> request) {
        endpoint.SendDatagram(host, port, request);
    });
    walk.SetPace([&] { endpoint.WaitForReceiveRoom([&] { return walk.Stopping(); }); });
    const uint32_t first = Ipv4Address::Parse(RunIp("127.30.100.1"))->Value;
    walk.Start({first, first + 30000, {27015}});
    // Held: the walk is alive and its count stands still.
    uint64_t count = 0;
    bool held = false;
    for (int i = 0; i < 100 && !held && walk.Active(); ++i) {
        count = walk.Latest().Count;
        std::this_thread::sleep_for(100ms);
        held = walk.Active() && walk.Latest().Count == count && count > 0;
    }
    ASSERT_TRUE(held) << "the pace never held the walk (" << walk.Latest().Count << " sent)";

    const auto start = steady_clock::now();
    walk.RequestStop();
    std::future<void> joined = std::async(std::launch::async, [&] { walk.Join(); });
    const bool promptly = joined.wait_for(2s) == std::future_status::ready;
    const auto joinMs = duration_cast<milliseconds>(steady_clock::now() - start).count();
    if (!promptly) // let the owner take, so the walk can end and the test with it
        (void)QTest::qWaitFor([&] { return joined.wait_for(0s) == std::future_status::ready; },
                              30000);
    EXPECT_TRUE(promptly) << "the stopped walk stayed in its pace wait";
    EXPECT_LT(joinMs, 500);
}

} // namespace
