#include "TNMUDP.h"

#include "DatagramReceiver.h"
#include "FakeServer.h"
#include "QueryProtocol.h"
#include "RunAddresses.h"
#include "UdpPeer.h"
#include "WaitUntil.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <set>

#include <arpa/inet.h>
#include <latch>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

std::span<const uint8_t> AsBytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>('a' + i % 26);
    }
    return bytes;
}

// A port no one holds right now, found by letting the system pick one.
int FreePort() {
    const int probe = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::bind(probe, reinterpret_cast<const sockaddr*>(&local), sizeof local);
    socklen_t length = sizeof local;
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&local), &length);
    ::close(probe);
    return ntohs(local.sin_port);
}

struct Arrival {
    int NumberBytes = 0;
    std::string Bytes;
    std::string FromIP;
    int Port = 0;
};

// Records every arrival of an endpoint the way the program's handlers read them.
class Recorder {
public:
    explicit Recorder(TNMUDP& endpoint) {
        endpoint.OnDataReceived = [this](TNMUDP& sender, int numberBytes, const std::string& fromIP,
                                         int port) {
            Arrival arrival{numberBytes, {}, fromIP, port};
            if (numberBytes != -1) {
                uint8_t buffer[TNMUDP::MaxDatagram];
                const int copied = sender.ReadDatagram(buffer);
                arrival.Bytes.assign(reinterpret_cast<const char*>(buffer), copied);
            }
            Arrivals.push_back(std::move(arrival));
        };
    }
    // Waits until an arrival with exactly these bytes has been recorded.
    bool WaitFor(const std::string& bytes) {
        return WaitUntil([&] {
            for (const Arrival& arrival : Arrivals) {
                if (arrival.NumberBytes >= 0 && arrival.Bytes == bytes) {
                    return true;
                }
            }
            return false;
        });
    }
    std::vector<Arrival> Arrivals;
};

// The info request reaches a simulated server from the endpoint's own port, and its
// answer comes back as one event that parses as that server's info.
TEST(TNMUDPTest, InfoRequestRoundTrip) {
    TNMUDP endpoint(0);
    Recorder recorder(endpoint);
    FakeServerFarm farm;
    FakeServerConfig config;
    config.Ip = RunIp("127.20.1.1");
    config.Port = 0;
    config.Name = "Round trip";
    config.Map = "de_aztec";
    const int id = farm.Add(config);
    ASSERT_TRUE(farm.Start()) << farm.LastError();
    ASSERT_NE(endpoint.BoundPort(), 0);

    endpoint.SendDatagram(config.Ip, farm.Port(id), InfoRequest());
    ASSERT_TRUE(WaitUntil([&] { return !recorder.Arrivals.empty(); }));
    const std::vector<FakeServerFarm::Request> requests = farm.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Kind, 'i');
    EXPECT_EQ(requests[0].Data, std::string(InfoRequest().begin(), InfoRequest().end()));
    EXPECT_EQ(requests[0].FromPort, endpoint.BoundPort());

    const Arrival& answer = recorder.Arrivals[0];
    EXPECT_EQ(answer.NumberBytes, static_cast<int>(answer.Bytes.size()));
    EXPECT_EQ(answer.FromIP, RunIp("127.20.1.1"));
    EXPECT_EQ(answer.Port, farm.Port(id));
    std::vector<uint8_t> datagram(answer.Bytes.begin(), answer.Bytes.end());
    MarkInfoHeader(datagram);
    ServerInfoStructure info;
    ASSERT_TRUE(ParseInfoAnswer(datagram, info));
    EXPECT_EQ(InfoValue(info, "map"), "de_aztec");
    EXPECT_EQ(InfoValue(info, "address"), farm.Address(id));
}

// Up to 2048 bytes a datagram arrives whole; a longer one is reported as -1 or not at
// all, never cut short. A marker datagram after each case proves the endpoint went on.
TEST(TNMUDPTest, DatagramSizes) {
    TNMUDP endpoint(0);
    Recorder recorder(endpoint);
    UdpPeer server(RunIp("127.20.0.2"));
    const std::string marker = "marker";
    for (const size_t size : {size_t{0}, size_t{1}, size_t{2047}, size_t{2048}, size_t{2049},
                              size_t{4096}, size_t{60000}}) {
        SCOPED_TRACE(size);
        recorder.Arrivals.clear();
        server.SendTo(endpoint.BoundPort(), Pattern(size));
        server.SendTo(endpoint.BoundPort(), marker);
        ASSERT_TRUE(recorder.WaitFor(marker));
        const std::vector<Arrival> before(recorder.Arrivals.begin(), recorder.Arrivals.end() - 1);
        if (size <= TNMUDP::MaxDatagram) {
            ASSERT_EQ(before.size(), 1u);
            EXPECT_EQ(before[0].NumberBytes, static_cast<int>(size));
            EXPECT_EQ(before[0].Bytes, Pattern(size));
        } else {
            ASSERT_LE(before.size(), 1u);
            for (const Arrival& arrival : before) {
                EXPECT_EQ(arrival.NumberBytes, -1);
            }
        }
    }
}

// Handlers copy into one shared buffer that is not cleared between datagrams; reading
// the shorter second datagram must copy only its own bytes.
TEST(TNMUDPTest, ShorterSecondDatagramReadsOnlyItsOwnBytes) {
    TNMUDP endpoint(0);
    UdpPeer server(RunIp("127.20.0.3"));
    uint8_t shared[TNMUDP::MaxDatagram] = {};
    std::vector<int> copied;
    endpoint.OnDataReceived = [&](TNMUDP& sender, int numberBytes, const std::string&, int) {
        ASSERT_NE(numberBytes, -1);
        copied.push_back(sender.ReadDatagram(shared));
    };
    server.SendTo(endpoint.BoundPort(), "ABCDEFGH");
    server.SendTo(endpoint.BoundPort(), "xy");
    ASSERT_TRUE(WaitUntil([&] { return copied.size() == 2; }));
    EXPECT_EQ(copied, (std::vector<int>{8, 2}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(shared), 8), "xyCDEFGH");
    EXPECT_EQ(endpoint.ReadDatagram(shared), 0) << "no datagram outside the handler";
}

// A second endpoint on a taken fixed port still works from a system-chosen port, and
// rebinding moves it to the port asked for.
TEST(TNMUDPTest, TakenPortFallsBackToSystemChosenPort) {
    int fixedPort = 0;
    std::unique_ptr<TNMUDP> first;
    for (int attempt = 0; attempt < 5 && !first; ++attempt) {
        fixedPort = FreePort();
        first = std::make_unique<TNMUDP>(fixedPort);
        if (first->BoundPort() != fixedPort) {
            first.reset();
        }
    }
    ASSERT_TRUE(first);
    TNMUDP second(fixedPort);
    EXPECT_NE(second.BoundPort(), fixedPort);
    Recorder firstArrivals(*first);
    Recorder secondArrivals(second);
    UdpPeer server(RunIp("127.20.0.4"));

    first->SendDatagram(server.Ip(), server.Port(), AsBytes("from first"));
    second.SendDatagram(server.Ip(), server.Port(), AsBytes("from second"));
    const auto a = server.Receive();
    const auto b = server.Receive();
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->FromPort, fixedPort);
    EXPECT_NE(b->FromPort, fixedPort);
    EXPECT_EQ(b->FromPort, second.BoundPort());
    server.SendTo(a->FromPort, "answer first");
    server.SendTo(b->FromPort, "answer second");
    EXPECT_TRUE(firstArrivals.WaitFor("answer first"));
    EXPECT_TRUE(secondArrivals.WaitFor("answer second"));

    const int newPort = FreePort();
    second.SetLocalPort(newPort);
    EXPECT_EQ(second.LocalPort(), newPort);
    EXPECT_EQ(second.BoundPort(), newPort);
    server.SendTo(newPort, "after rebind");
    EXPECT_TRUE(secondArrivals.WaitFor("after rebind"));
}

// The UI thread and a worker send through one endpoint at once to different servers;
// every datagram must reach the server its sender named.
TEST(TNMUDPTest, ConcurrentSendersKeepTheirDestinations) {
    constexpr int Count = 300;
    TNMUDP endpoint(0);
    UdpPeer workerTarget(RunIp("127.20.0.5"));
    UdpPeer uiTarget(RunIp("127.20.0.6"));
    std::latch start(2);
    std::thread worker([&] {
        start.arrive_and_wait();
        for (int i = 0; i < Count; ++i) {
            endpoint.SendDatagram(workerTarget.Ip(), workerTarget.Port(),
                                  AsBytes("W" + std::to_string(i)));
        }
    });
    start.arrive_and_wait();
    for (int i = 0; i < Count; ++i) {
        endpoint.SendDatagram(uiTarget.Ip(), uiTarget.Port(), AsBytes("U" + std::to_string(i)));
    }
    worker.join();

    for (const auto& [peer, tag] : {std::pair{&workerTarget, 'W'}, std::pair{&uiTarget, 'U'}}) {
        SCOPED_TRACE(tag);
        std::vector<bool> seen(Count, false);
        int received = 0;
        while (received < Count) {
            const auto datagram = peer->Receive();
            ASSERT_TRUE(datagram) << "only " << received << " arrived";
            ASSERT_EQ(datagram->Bytes[0], tag) << datagram->Bytes;
            const int index = std::stoi(datagram->Bytes.substr(1));
            ASSERT_FALSE(seen[index]);
            seen[index] = true;
            ++received;
        }
    }
}

TEST(TNMUDPTest, RejectsBadSendArguments) {
    TNMUDP endpoint(0);
    try {
        endpoint.SendDatagram("0.0.0.0", 27015, {});
        FAIL() << "empty buffer accepted";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "Invalid buffer");
    }
    const std::vector<std::string> badHosts = {
        "0.0.0.0",     "",    "localhost", "127.20.0", "127.20.0.256", " 127.20.0.1",
        "127.20.0.1 ", "::1", "0x7f.0.0.1"};
    for (const std::string& host : badHosts) {
        SCOPED_TRACE(host);
        try {
            endpoint.SendDatagram(host, 27015, AsBytes("x"));
            ADD_FAILURE() << "host accepted";
        } catch (const UDPSockError& error) {
            EXPECT_STREQ(error.what(), "Null Remote Address");
        }
    }
}

// With every descriptor in use the endpoint cannot be built and says why.
TEST(TNMUDPTest, SocketThatCannotBeCreatedThrows) {
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    const int lowestFree = ::dup(0);
    ASSERT_GE(lowestFree, 0);
    ::close(lowestFree);
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(lowestFree);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    std::string message;
    try {
        TNMUDP endpoint(0);
    } catch (const UDPSockError& error) {
        message = error.what();
    }
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(message, "Unknown Error No. " + std::to_string(EMFILE));
}

// A scan's burst of answers all arrives, and the drain hands control back to the event
// loop between slices instead of emptying the socket in one go.
TEST(TNMUDPTest, BurstArrivesWholeInBoundedSlices) {
    constexpr int Count = 3000;
    TNMUDP endpoint(0, ReceiveBufferRequest::Stock());
    UdpPeer server(RunIp("127.20.0.7"));
    std::cout << "[ measure  ] receive buffer granted: " << endpoint.ReceiveBufferSize()
              << " bytes\n";
    int arrivals = 0;
    int arrivalsWhenQueuedCallRan = -1;
    endpoint.OnDataReceived = [&](TNMUDP&, int numberBytes, const std::string&, int) {
        if (numberBytes == 100 && arrivals++ == 0) {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [&] { arrivalsWhenQueuedCallRan = arrivals; },
                Qt::QueuedConnection);
        }
    };
    const std::string answer = Pattern(100);
    for (int i = 0; i < Count; ++i) {
        endpoint.WaitForReceiveRoom();
        server.SendTo(endpoint.BoundPort(), answer);
    }
    EXPECT_TRUE(WaitUntil([&] { return arrivals == Count; }, 5000)) << arrivals << " arrived";
    EXPECT_GT(arrivalsWhenQueuedCallRan, 0);
    EXPECT_LE(arrivalsWhenQueuedCallRan, 4 * TNMUDP::DrainLimit);
}

// The socket is read on a thread of its own: a burst many times larger than the small
// receive buffer an ordinary user gets arrives whole while the UI thread is busy
// elsewhere, as long as the sender keeps to the endpoint's pace (as the scan does).
TEST(TNMUDPTest, BurstWaitsInMemoryWhileTheOwnerIsBusy) {
    constexpr int Count = 20000;
    TNMUDP endpoint(0, ReceiveBufferRequest::Stock());
    ASSERT_LT(endpoint.ReceiveBufferSize(), Count * 300) << "the buffer alone must not hold it";
    UdpPeer server(RunIp("127.20.0.9"));
    std::vector<int> seen(Count, 0);
    int arrivals = 0;
    endpoint.OnDataReceived = [&](TNMUDP& sender, int numberBytes, const std::string&, int) {
        ASSERT_EQ(numberBytes, 200);
        uint8_t buffer[TNMUDP::MaxDatagram];
        ASSERT_EQ(sender.ReadDatagram(buffer), 200);
        const int index = std::stoi(std::string(reinterpret_cast<const char*>(buffer), 8));
        ASSERT_TRUE(index >= 0 && index < Count);
        ++seen[index];
        ++arrivals;
    };
    // The event loop does not run until every datagram has been sent.
    std::thread sender([&] {
        for (int i = 0; i < Count; ++i) {
            endpoint.WaitForReceiveRoom();
            char head[9];
            std::snprintf(head, sizeof head, "%08d", i);
            server.SendTo(endpoint.BoundPort(), std::string(head, 8) + Pattern(192));
        }
    });
    sender.join();
    EXPECT_EQ(arrivals, 0) << "reported outside the owner's event loop";
    EXPECT_TRUE(WaitUntil([&] { return arrivals == Count; }, 10000)) << arrivals << " arrived";
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), Count) << "lost or doubled";
    EXPECT_EQ(endpoint.DroppedDatagrams(), 0u);
}

// Answers the system dropped while the endpoint's reader was held (its small queue full,
// the owner busy) are asked for again: the pace sends the window's requests anew, and the
// sender's settling after its last request does so for the last window. Every server
// ends up heard, however much was dropped.
TEST(TNMUDPTest, AnswersDroppedWhileTheReaderWasHeldAreAskedForAgain) {
    constexpr int Count = 600;
    FakeServerFarm farm;
    FakeServerConfig base;
    base.DelayMs = 300; // every answer comes late, so many come at once
    ASSERT_GE(farm.AddMany(Count, RunIp("127.20.50.1"), 27015, base), 0) << farm.LastError();
    ASSERT_TRUE(farm.Start()) << farm.LastError();
    TNMUDP endpoint(0, ReceiveBufferRequest::Stock(), 32);
    endpoint.SetAnswerTest(&LooksLikeInfoAnswer);
    std::set<std::string> heard;
    endpoint.OnDataReceived = [&](TNMUDP&, int numberBytes, const std::string& ip, int) {
        if (numberBytes > 0)
            heard.insert(ip);
    };
    std::atomic<bool> done{false};
    std::thread sender([&] {
        for (int i = 0; i < Count; ++i) {
            endpoint.WaitForReceiveRoom();
            endpoint.SendDatagram(FarmAddress(RunIp("127.20.50.1"), i), 27015, InfoRequest());
        }
        endpoint.SettlePacedRequests();
        done = true;
    });
    // The owner takes nothing for a while: its queue fills and the system drops the rest.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const bool allHeard = WaitUntil([&] { return done && heard.size() == size_t{Count}; }, 20000);
    sender.join();
    EXPECT_GT(endpoint.DroppedDatagrams(), 0u) << "nothing was dropped: the test shows nothing";
    EXPECT_TRUE(allHeard) << heard.size() << " of " << Count << " heard, "
                          << endpoint.DroppedDatagrams() << " dropped, "
                          << endpoint.ResentRequests() << " sent again";
    EXPECT_GT(endpoint.ResentRequests(), 0u);
}

// A queue that once filled up stops the reading thread only until the owner takes from
// it: the endpoint goes on receiving afterwards. What the system dropped meanwhile, with
// the reading stopped and the small buffer full, is counted exactly.
TEST(DatagramReceiverTest, QueueThatFilledOnceStillReceivesAfterwardsAndCountsTheDrops) {
    constexpr int Burst = 400;
    constexpr size_t QueueLimit = 8;
    UdpSocket socket;
    ASSERT_EQ(socket.Open({4096, false}), 0);
    ASSERT_TRUE(socket.Bind(0));
    std::atomic<int> rung{0};
    DatagramReceiver receiver(
        socket, [&] { ++rung; }, QueueLimit);
    ASSERT_TRUE(receiver.Start());
    UdpPeer peer(RunIp("127.20.0.10"));
    for (int i = 0; i < Burst; ++i)
        peer.SendTo(socket.BoundPort(), "burst " + std::to_string(i));
    // Nothing is taken yet: the queue fills and the thread stops reading.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (receiver.Queued() < QueueLimit && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GE(receiver.Queued(), QueueLimit);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_LT(receiver.Read(), uint64_t{Burst}) << "the buffer must not hold the whole burst";

    // Takes until `wanted` bytes came, or 2 s without it; returns every datagram taken.
    auto takeUntil = [&](const std::string& wanted) {
        std::vector<std::string> taken;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < until) {
            DatagramReceiver::Batch batch;
            if (!receiver.Take(batch)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            for (const DatagramReceiver::Arrival& arrival : batch.Arrivals)
                taken.emplace_back(reinterpret_cast<const char*>(batch.Bytes.data()) +
                                       arrival.Offset,
                                   static_cast<size_t>(std::max(arrival.Length, 0)));
            if (!wanted.empty() && std::find(taken.begin(), taken.end(), wanted) != taken.end())
                break;
        }
        return taken;
    };
    const std::vector<std::string> first = takeUntil("");
    EXPECT_GE(first.size(), QueueLimit);

    peer.SendTo(socket.BoundPort(), "after the full queue");
    const std::vector<std::string> later = takeUntil("after the full queue");
    EXPECT_EQ(later, std::vector<std::string>{"after the full queue"});
    EXPECT_GT(rung.load(), 0);
    // The datagram read after the drops tells them all.
    EXPECT_GT(receiver.Dropped(), 0u);
    EXPECT_EQ(first.size() + later.size() + receiver.Dropped(), size_t{Burst} + 1)
        << "drops counted exactly";
}

// Requests that nobody answers are written off after a short silence, with a growing
// allowance, so a scan over an empty range is held only a few times in all.
TEST(TNMUDPTest, UnansweredRequestsHoldTheSenderOnlyBriefly) {
    TNMUDP endpoint(0, ReceiveBufferRequest::Stock());
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 50000; ++i) {
        endpoint.WaitForReceiveRoom();
    }
    const auto held = std::chrono::steady_clock::now() - start;
    EXPECT_LT(held, std::chrono::milliseconds(1000));
}

// A handler may rebind its own endpoint; the rest of the slice is not read from the old
// socket and the new one delivers.
TEST(TNMUDPTest, HandlerMayRebindItsEndpoint) {
    TNMUDP endpoint(0);
    UdpPeer server(RunIp("127.20.0.8"));
    const int oldPort = endpoint.BoundPort();
    std::vector<std::string> seen;
    endpoint.OnDataReceived = [&](TNMUDP& sender, int, const std::string&, int) {
        uint8_t buffer[TNMUDP::MaxDatagram];
        seen.emplace_back(reinterpret_cast<const char*>(buffer), sender.ReadDatagram(buffer));
        if (seen.size() == 1) {
            sender.SetLocalPort(0);
        }
    };
    server.SendTo(oldPort, "one");
    server.SendTo(oldPort, "lost with the old socket");
    ASSERT_TRUE(WaitUntil([&] { return !seen.empty(); }));
    ASSERT_NE(endpoint.BoundPort(), 0);
    server.SendTo(endpoint.BoundPort(), "two");
    ASSERT_TRUE(WaitUntil([&] { return seen.size() == 2; }));
    EXPECT_EQ(seen, (std::vector<std::string>{"one", "two"}));
}

} // namespace
