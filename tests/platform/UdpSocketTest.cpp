#include "UdpSocket.h"
#include "DatagramReceiver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

// The plain socket layer over the loopback (127.0.0.1 only): what each system's side
// must do alike, without Qt.

namespace {

const Ipv4Address Loopback{0x7F000001};

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// Opens a socket on a port the system picks; fails the test when it cannot.
void OpenOnAnyPort(UdpSocket& socket) {
    ASSERT_EQ(socket.Open(ReceiveBufferRequest::Stock()), 0);
    ASSERT_TRUE(socket.Bind(0));
    ASSERT_NE(socket.BoundPort(), 0);
}

// Everything that arrives within `timeoutMs` of the last arrival, up to `expected`.
std::vector<UdpSocket::ReceiveResult> ReceiveAll(const UdpSocket& socket, size_t expected,
                                                 std::vector<std::string>& payloads,
                                                 int timeoutMs = 3000) {
    std::vector<UdpSocket::Slot> slots(UdpSocket::BatchSize);
    std::vector<UdpSocket::ReceiveResult> results(UdpSocket::BatchSize);
    std::vector<UdpSocket::ReceiveResult> all;
    while (all.size() < expected && socket.WaitReadable(-1, timeoutMs)) {
        const int count = socket.ReceiveBatch(slots, results);
        for (int i = 0; i < count; ++i) {
            all.push_back(results[i]);
            payloads.emplace_back(reinterpret_cast<const char*>(slots[i].Bytes),
                                  results[i].Length > 0 ? results[i].Length : 0);
        }
    }
    return all;
}

// Addresses read alike on every system: four decimal parts of 0..255, no leading zeros,
// nothing around them (what glibc's inet_pton takes, which Linux used before).
TEST(Ipv4Address, ReadsStrictDottedDecimalOnly) {
    const std::vector<std::pair<std::string, std::optional<uint32_t>>> cases = {
        {"127.0.0.1", 0x7F000001},
        {"0.0.0.0", 0},
        {"255.255.255.255", ~0u},
        {"10.20.30.40", 0x0A141E28},
        {"1.2.3.0", 0x01020300},
        {"256.1.1.1", std::nullopt},
        {"1.2.3.256", std::nullopt},
        {"01.2.3.4", std::nullopt},
        {"1.2.3.04", std::nullopt},
        {"1.2.3.0004", std::nullopt},
        {"1.2.3", std::nullopt},
        {"1.2.3.4.5", std::nullopt},
        {" 1.2.3.4", std::nullopt},
        {"1.2.3.4 ", std::nullopt},
        {"1..3.4", std::nullopt},
        {"1.2.3.", std::nullopt},
        {"", std::nullopt},
        {"a.b.c.d", std::nullopt},
        {"1.2.3.-4", std::nullopt},
        {"0x1.2.3.4", std::nullopt},
        {"1.2.3.4:27015", std::nullopt},
        {std::string("1.2.3.4\0", 8), std::nullopt},
        {"1234.1.1.1", std::nullopt},
        {"+1.2.3.4", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        const std::optional<Ipv4Address> parsed = Ipv4Address::Parse(text);
        ASSERT_EQ(parsed.has_value(), expected.has_value());
        if (parsed) {
            EXPECT_EQ(parsed->Value, *expected);
            EXPECT_EQ(parsed->ToString(), text);
        }
#ifndef _WIN32
        in_addr system{};
        EXPECT_EQ(inet_pton(AF_INET, text.c_str(), &system) == 1 && text.find('\0') == text.npos,
                  expected.has_value());
#endif
    }
}

TEST(UdpSocket, BatchesBringEveryDatagramWithItsSenderAndRefuseOversized) {
    UdpSocket receiver, sender;
    OpenOnAnyPort(receiver);
    OpenOnAnyPort(sender);
    std::vector<std::string> sent;
    for (int i = 0; i < 150; ++i)
        sent.push_back("datagram " + std::to_string(i));
    sent.push_back(std::string());                                // empty is a datagram too
    sent.push_back(std::string(UdpSocket::MaxDatagram, 'm'));     // the largest delivered
    sent.push_back(std::string(UdpSocket::MaxDatagram + 1, 'o')); // one byte too many
    sent.push_back(std::string(9000, 'x'));                       // far too long
    for (const std::string& text : sent)
        ASSERT_TRUE(sender.SendTo(Loopback, receiver.BoundPort(), Bytes(text)));

    std::vector<std::string> payloads;
    const auto results = ReceiveAll(receiver, sent.size(), payloads);
    ASSERT_EQ(results.size(), sent.size());
    for (size_t i = 0; i < results.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(results[i].From, Loopback);
        EXPECT_EQ(results[i].FromPort, sender.BoundPort());
        if (sent[i].size() > size_t(UdpSocket::MaxDatagram)) {
            EXPECT_EQ(results[i].Status, UdpSocket::ReceiveStatus::Failed);
            EXPECT_EQ(results[i].Length, -1);
        } else {
            EXPECT_EQ(results[i].Status, UdpSocket::ReceiveStatus::Datagram);
            EXPECT_EQ(payloads[i], sent[i]);
        }
    }
    // Nothing more waits, and asking does not block.
    EXPECT_FALSE(receiver.HasPending());
    std::vector<UdpSocket::Slot> slots(4);
    std::vector<UdpSocket::ReceiveResult> more(4);
    EXPECT_EQ(receiver.ReceiveBatch(slots, more), 0);
    EXPECT_EQ(receiver.Dropped(), 0u);
}

// Binds `port` the way a careless program would, asking to share it; true when it got it.
bool OtherProgramTakes(int port) {
#ifdef _WIN32
    const SOCKET other = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    const BOOL on = TRUE;
    setsockopt(other, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
#else
    const int other = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    ::setsockopt(other, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
#endif
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<uint16_t>(port));
    const bool took = bind(other, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
#ifdef _WIN32
    closesocket(other);
#else
    ::close(other);
#endif
    return took;
}

TEST(UdpSocket, TakenPortFallsBackToAPortOfItsOwnAndIsNeverShared) {
    UdpSocket first, second;
    OpenOnAnyPort(first);
    const int taken = first.BoundPort();
    EXPECT_FALSE(OtherProgramTakes(taken));

    ASSERT_EQ(second.Open(ReceiveBufferRequest::Stock()), 0);
    EXPECT_FALSE(second.Bind(taken));
    // The fallback socket still sends from a port of its own and hears the answer there.
    ASSERT_TRUE(second.SendTo(Loopback, taken, Bytes("from second")));
    std::vector<std::string> payloads;
    const auto atFirst = ReceiveAll(first, 1, payloads);
    ASSERT_EQ(atFirst.size(), 1u);
    EXPECT_EQ(payloads[0], "from second");
    EXPECT_NE(atFirst[0].FromPort, taken);
    EXPECT_EQ(atFirst[0].FromPort, second.BoundPort());
    ASSERT_TRUE(first.SendTo(Loopback, atFirst[0].FromPort, Bytes("answer")));
    payloads.clear();
    const auto atSecond = ReceiveAll(second, 1, payloads);
    ASSERT_EQ(atSecond.size(), 1u);
    EXPECT_EQ(payloads[0], "answer");
    EXPECT_EQ(atSecond[0].FromPort, taken);

    first.Close();
    EXPECT_EQ(first.BoundPort(), 0);
    EXPECT_FALSE(first.IsOpen());
}

// Counts the receiver's wake-ups of its owner.
struct Doorbell {
    std::mutex Mutex;
    std::condition_variable Rung;
    int Count = 0;
    void Ring() {
        {
            std::lock_guard lock(Mutex);
            ++Count;
        }
        Rung.notify_all();
    }
    int Now() {
        std::lock_guard lock(Mutex);
        return Count;
    }
    bool WaitFor(int count) {
        std::unique_lock lock(Mutex);
        return Rung.wait_for(lock, std::chrono::seconds(5), [&] { return Count >= count; });
    }
};

TEST(DatagramReceiver, ThreadWakesForArrivalsAndStopsAtOnceWhileWaiting) {
    UdpSocket socket, sender;
    OpenOnAnyPort(socket);
    OpenOnAnyPort(sender);
    Doorbell owner;
    DatagramReceiver receiver(socket, [&] { owner.Ring(); });
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(receiver.Start());
        const int before = owner.Now();
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(sender.SendTo(Loopback, socket.BoundPort(), Bytes(std::to_string(i))));
        ASSERT_TRUE(owner.WaitFor(before + 1));
        std::vector<std::string> taken;
        DatagramReceiver::Batch batch;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (taken.size() < 20 && std::chrono::steady_clock::now() < deadline) {
            if (!receiver.Take(batch)) {
                owner.WaitFor(owner.Now() + 1);
                continue;
            }
            for (const auto& arrival : batch.Arrivals)
                taken.emplace_back(reinterpret_cast<const char*>(batch.Bytes.data()) +
                                       arrival.Offset,
                                   static_cast<size_t>(arrival.Length));
        }
        ASSERT_EQ(taken.size(), 20u);
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(taken[i], std::to_string(i));
        EXPECT_EQ(receiver.Read(), 20u * (round + 1));

        // The thread now waits on an idle socket with no time limit: the stop must
        // wake it, not a datagram or a timeout.
        const auto stopAt = std::chrono::steady_clock::now();
        receiver.Stop();
        EXPECT_LT(std::chrono::steady_clock::now() - stopAt, std::chrono::seconds(2));
    }
}

} // namespace
