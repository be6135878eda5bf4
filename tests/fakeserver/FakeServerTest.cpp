#include "FakeServer.h"
#include "Gbk.h"
#include "QueryProtocol.h"
#include "RunAddresses.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::string_literals;

// This file's addresses: 127.10.0.0/16. The client sends from its own address so the
// recorded sender can be checked.
const std::string ClientIp = RunIp("127.10.250.1");

std::string Str(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}
Bytes ToBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

struct Datagram {
    std::string Data;
    std::string FromIp;
    uint16_t FromPort = 0;
};

// A plain BSD socket client, as a scanner would be.
class Client {
public:
    Client() {
        Fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        inet_pton(AF_INET, ClientIp.c_str(), &local.sin_addr);
        bind(Fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
        socklen_t length = sizeof local;
        getsockname(Fd, reinterpret_cast<sockaddr*>(&local), &length);
        LocalPort = ntohs(local.sin_port);
    }
    ~Client() { close(Fd); }

    void Send(const std::string& address, const std::string& data) const {
        const size_t colon = address.find(':');
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(uint16_t(std::stoi(address.substr(colon + 1))));
        inet_pton(AF_INET, address.substr(0, colon).c_str(), &to.sin_addr);
        sendto(Fd, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }

    std::optional<Datagram> Receive(int timeoutMs = 2000) const {
        pollfd p{Fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0)
            return std::nullopt;
        std::string buffer(65536, '\0');
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n = recvfrom(Fd, buffer.data(), buffer.size(), 0,
                                   reinterpret_cast<sockaddr*>(&from), &length);
        if (n < 0)
            return std::nullopt;
        char ip[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &from.sin_addr, ip, sizeof ip);
        return Datagram{buffer.substr(0, size_t(n)), ip, ntohs(from.sin_port)};
    }

    // The one answer to a request, or nothing.
    std::optional<std::string> Ask(const std::string& address, const std::string& request) const {
        Send(address, request);
        auto answer = Receive();
        if (!answer)
            return std::nullopt;
        return answer->Data;
    }

    int Fd = -1;
    uint16_t LocalPort = 0;
};

// One normal server at MarkerIp answers last: once its answer is in, anything another
// server was going to send before it has arrived too.
const std::string MarkerIp = RunIp("127.10.0.200");

class FarmTest : public ::testing::Test {
protected:
    int AddMarker() {
        FakeServerConfig marker;
        marker.Ip = MarkerIp;
        marker.Name = "marker";
        return Farm.Add(marker);
    }
    // Asks the marker and returns every datagram that arrived before its answer.
    std::vector<Datagram> DrainUntilMarker(int markerId) {
        Net.Send(Farm.Address(markerId), Str(InfoRequest()));
        std::vector<Datagram> before;
        while (auto d = Net.Receive()) {
            if (d->FromIp == MarkerIp)
                return before;
            before.push_back(*d);
        }
        ADD_FAILURE() << "the marker never answered";
        return before;
    }

    FakeServerFarm Farm;
    Client Net;
};

TEST(FakeServerBuilders, InfoAnswerHasTheEnginePairsInOrder) {
    FakeServerConfig config;
    config.Ip = RunIp("127.10.0.1");
    config.Name = G("测试");
    config.Players = 3;
    config.Password = true;
    const std::string expected = "\xFF\xFF\xFF\xFFinfostringresponse\0"s +
                                 RunIp("\\protocol\\47\\address\\127.10.0.1:27015\\players\\3") +
                                 "\\proxytarget\\0\\lan\\0\\max\\16\\gamedir\\cstrike"
                                 "\\description\\Counter-Strike\\hostname\\" +
                                 G("测试") +
                                 "\\map\\de_dust2\\type\\d\\password\\1\\os\\l\\secure\\0" + '\0';
    EXPECT_EQ(BuildInfoAnswer(config), expected);
    config.ReportedAddress = RunIp("127.10.9.9:1");
    EXPECT_NE(BuildInfoAnswer(config).find(RunIp("\\address\\127.10.9.9:1\\")), std::string::npos);
}

TEST(FakeServerBuilders, PlayersAndRulesLayouts) {
    FakeServerConfig config;
    config.PlayerList = {{"ab", -1, 1.5f}, {"c", 300, 0.0f}};
    const std::string players = BuildPlayersAnswer(config);
    const float time = 1.5f;
    char timeBytes[4];
    std::memcpy(timeBytes, &time, 4);
    EXPECT_EQ(players, "\xFF\xFF\xFF\xFF"s + "D\x02" + "\x01" + "ab\0"s + "\xFF\xFF\xFF\xFF" +
                           std::string(timeBytes, 4) + "\x02" + "c\0"s + "\x2C\x01\0\0"s +
                           std::string(4, '\0'));

    // Without a list, the player count is made up as that many players.
    config.PlayerList.clear();
    config.Players = 4;
    EXPECT_EQ(BuildPlayersAnswer(config)[5], '\x04');

    config.Rules = {{"a", "1"}, {"sv_contact", ""}};
    EXPECT_EQ(BuildRulesAnswer(config),
              "\xFF\xFF\xFF\xFF"s + "E\x02\0"s + "a\0001\0"s + "sv_contact\0\0"s);
    // The default set passes the receiver's 512-byte floor.
    EXPECT_GE(BuildRulesAnswer(FakeServerConfig{}).size(), 512u);
}

TEST(FakeServerBuilders, RulesAnswersOfAnExactSizeAreWellFormed) {
    for (const size_t size : {size_t{16}, size_t{511}, size_t{512}, size_t{2000}}) {
        const std::string answer = BuildRulesAnswerOfSize(size);
        ASSERT_EQ(answer.size(), size);
        EXPECT_EQ(answer.back(), '\0') << size;
        const int count = uint8_t(answer[5]) | uint8_t(answer[6]) << 8;
        RulesInfoStructure rules;
        int taken = -1;
        const auto* bytes = reinterpret_cast<const uint8_t*>(answer.data());
        EXPECT_EQ(ParseRulesAnswer({bytes, answer.size()}, DetailRules, rules, taken), size >= 512);
        if (size >= 512) {
            EXPECT_EQ(taken, count);
            EXPECT_EQ(rules.Names[size_t(count - 1)], "pad");
        }
    }
}

TEST(FakeServerBuilders, HostileInfoAnswersBreakWhatTheySay) {
    FakeServerConfig config;
    config.Ip = "127.70.0.9";
    config.Name = "Host";
    std::vector<std::string> names;
    for (const HostileInfo kind : AllHostileInfo) {
        const std::string answer = BuildHostileInfoAnswer(kind, config);
        names.emplace_back(HostileInfoName(kind));
        EXPECT_EQ(answer.size() == 2049, kind == HostileInfo::Oversize) << names.back();
        EXPECT_LE(answer.size(), 2049u) << names.back();
        EXPECT_EQ(answer.back() == '\0',
                  kind != HostileInfo::NoTerminatingZero && kind != HostileInfo::TruncatedHeader)
            << names.back();
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::unique(names.begin(), names.end()), names.end());
}

TEST(FakeServerAddresses, FarmAddressesSkipZeroAndBroadcastOctets) {
    const struct {
        std::string first;
        int index;
        std::string expected;
    } cases[] = {
        {RunIp("127.10.0.1"), 0, RunIp("127.10.0.1")},
        {RunIp("127.10.0.1"), 253, RunIp("127.10.0.254")},
        {RunIp("127.10.0.1"), 254, RunIp("127.10.1.1")},
        {RunIp("127.10.0.0"), 0, RunIp("127.10.0.1")},
        {RunIp("127.10.0.255"), 0, RunIp("127.10.1.1")},
        {RunIp("127.10.0.250"), 10, RunIp("127.10.1.6")},
        {"127.255.255.254", 0, "127.255.255.254"},
        {"127.255.255.254", 1, ""},
        {"10.0.0.1", 0, ""},
        {"127.1.2", 0, ""},
        {RunIp("127.10.0.1x"), 0, ""},
        {RunIp("127.10.0.256"), 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FarmAddress(c.first, c.index), c.expected) << c.first << " + " << c.index;
}

TEST(FakeServerAddresses, RefusesAnythingOutsideLoopback) {
    FakeServerFarm farm;
    FakeServerConfig config;
    config.Ip = "192.168.1.10";
    EXPECT_EQ(farm.Add(config), -1);
    config.Ip = RunIp("127.10.0.1");
    config.ReportedAddress = "10.1.2.3:27015"; // a client would send there
    EXPECT_EQ(farm.Add(config), -1);
    config.ReportedAddress = "not an address"; // malformed answers stay possible
    EXPECT_EQ(farm.Add(config), 0);
}

TEST_F(FarmTest, AnswersRoundTripThroughTheCoreParsers) {
    FakeServerConfig config;
    config.Ip = RunIp("127.10.0.1");
    config.Port = 0; // a port of the system's choosing, reported as bound
    config.Name = G("测试服务器 One");
    config.Map = "de_inferno";
    config.Players = 2;
    config.MaxPlayers = 20;
    config.Protocol = 46;
    config.PlayerList = {{G("玩家"), 9, 10.0f}, {"Bob", -1, 20.0f}};
    const int id = Farm.Add(config);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();
    ASSERT_NE(Farm.Port(id), 0);
    const std::string address = Farm.Address(id);

    auto info = Net.Ask(address, Str(InfoRequest()));
    ASSERT_TRUE(info);
    Bytes infoBytes = ToBytes(*info);
    MarkInfoHeader(infoBytes);
    ServerInfoStructure parsed;
    ASSERT_TRUE(ParseInfoAnswer(infoBytes, parsed));
    EXPECT_EQ(InfoValue(parsed, "hostname"), G("测试服务器 One"));
    EXPECT_EQ(InfoValue(parsed, "address"), address);
    EXPECT_EQ(InfoValue(parsed, "map"), "de_inferno");
    EXPECT_EQ(InfoValue(parsed, "players"), "2");
    EXPECT_EQ(InfoValue(parsed, "max"), "20");
    EXPECT_EQ(InfoValue(parsed, "protocol"), "46");
    EXPECT_EQ(InfoValue(parsed, "password"), "0");
    EXPECT_EQ(parsed.Keys[13], "secure");

    auto players = Net.Ask(address, Str(PlayersRequest()));
    ASSERT_TRUE(players);
    PlayersInfoStructure list;
    int playerCount = -1;
    ASSERT_TRUE(ParsePlayersAnswer(ToBytes(*players), DetailPlayers, list, playerCount));
    ASSERT_EQ(playerCount, 2);
    EXPECT_EQ(list.Names[0], G("玩家"));
    EXPECT_EQ(list.Frags[0], "9");
    EXPECT_EQ(list.Names[1], "Bob");
    EXPECT_EQ(list.Frags[1], "-1");

    auto rules = Net.Ask(address, Str(RulesRequest()));
    ASSERT_TRUE(rules);
    RulesInfoStructure ruleList;
    int ruleCount = -1;
    ASSERT_TRUE(ParseRulesAnswer(ToBytes(*rules), DetailRules, ruleList, ruleCount));
    ASSERT_EQ(ruleCount, int(config.Rules.size()));
    EXPECT_EQ(ruleList.Names[0], config.Rules[0].first);
    EXPECT_EQ(ruleList.Values[ruleCount - 1], config.Rules.back().second);

    const auto requests = Farm.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(std::string({requests[0].Kind, requests[1].Kind, requests[2].Kind}), "ipr");
    EXPECT_EQ(requests[0].FromIp, ClientIp);
    EXPECT_EQ(requests[0].FromPort, Net.LocalPort);
    EXPECT_EQ(requests[1].Data, Str(PlayersRequest()));
}

TEST_F(FarmTest, RequestsAreClassifiedAsTheEngineReadsThem) {
    FakeServerConfig lenient;
    lenient.Ip = RunIp("127.10.0.1");
    FakeServerConfig strict = lenient;
    strict.Ip = RunIp("127.10.0.2");
    strict.TrailingNewlineRequired = true;
    const int lenientId = Farm.Add(lenient);
    const int strictId = Farm.Add(strict);
    const int marker = AddMarker();
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();

    const struct {
        std::string request;
        char lenientKind;
        char strictKind;
    } cases[] = {
        {"\xFF\xFF\xFF\xFFinfostring\n\0"s, 'i', 'i'},
        {"\xFF\xFF\xFF\xFFinfostring\0"s, 'i', '?'},
        {"\xFF\xFF\xFF\xFFplayers\0"s, 'p', 'p'},
        {"\xFF\xFF\xFF\xFFrules\0"s, 'r', 'r'},
        {"\xFF\xFF\xFF\xFF"
         "details\0"s,
         '?', '?'},
        {"infostring\n\0"s, '?', '?'},
        {"\xFF\xFF\xFF"s, '?', '?'},
    };
    for (const auto& c : cases) {
        Farm.ClearRequests();
        Net.Send(Farm.Address(lenientId), c.request);
        Net.Send(Farm.Address(strictId), c.request);
        const std::vector<Datagram> answers = DrainUntilMarker(marker);
        const auto requests = Farm.Requests();
        ASSERT_EQ(requests.size(), 3u);
        EXPECT_EQ(requests[0].Kind, c.lenientKind) << testing::PrintToString(c.request);
        EXPECT_EQ(requests[1].Kind, c.strictKind) << testing::PrintToString(c.request);
        // Exactly the understood requests are answered.
        const size_t expected = (c.lenientKind != '?') + (c.strictKind != '?');
        EXPECT_EQ(answers.size(), expected) << testing::PrintToString(c.request);
    }
}

TEST_F(FarmTest, SilentCopiesRawAndLiveChanges) {
    FakeServerConfig silent;
    silent.Ip = RunIp("127.10.0.1");
    silent.Silent = true;
    FakeServerConfig copies;
    copies.Ip = RunIp("127.10.0.2");
    copies.Copies = 3;
    FakeServerConfig raw;
    raw.Ip = RunIp("127.10.0.3");
    raw.RawInfo = "\xFF\xFF\xFF\xFFinfostringresponse"; // cut short, no zero byte
    raw.RawRules = "\xFF\xFF\xFF\xFF"
                   "E";
    const int silentId = Farm.Add(silent);
    const int copiesId = Farm.Add(copies);
    const int rawId = Farm.Add(raw);
    const int marker = AddMarker();
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();

    Net.Send(Farm.Address(silentId), Str(InfoRequest()));
    Net.Send(Farm.Address(copiesId), Str(InfoRequest()));
    Net.Send(Farm.Address(rawId), Str(InfoRequest()));
    Net.Send(Farm.Address(rawId), Str(RulesRequest()));
    Net.Send(Farm.Address(rawId), Str(PlayersRequest())); // no raw one: built as usual
    std::vector<Datagram> answers = DrainUntilMarker(marker);
    ASSERT_EQ(answers.size(), 6u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(answers[size_t(i)].FromIp, RunIp("127.10.0.2"));
        EXPECT_EQ(answers[size_t(i)].Data, BuildInfoAnswer(Farm.Config(copiesId)));
    }
    EXPECT_EQ(answers[3].Data, *raw.RawInfo);
    EXPECT_EQ(answers[4].Data, *raw.RawRules);
    EXPECT_EQ(answers[5].Data, BuildPlayersAnswer(raw));
    EXPECT_EQ(Farm.Requests()[0].Server, silentId); // heard, though it never answered

    // A change while running shows in the very next answer.
    FakeServerConfig changed = Farm.Config(silentId);
    changed.Silent = false;
    changed.Map = "cs_office";
    changed.Ip = RunIp("127.10.0.99"); // ignored: the socket stays where it is bound
    Farm.SetConfig(silentId, changed);
    auto info = Net.Ask(Farm.Address(silentId), Str(InfoRequest()));
    ASSERT_TRUE(info);
    EXPECT_NE(info->find("\\map\\cs_office\\"), std::string::npos);
    EXPECT_NE(info->find(RunIp("\\address\\127.10.0.1:27015\\")), std::string::npos);
}

TEST_F(FarmTest, DelayedAnswerDoesNotHoldUpOthers) {
    FakeServerConfig slow;
    slow.Ip = RunIp("127.10.0.1");
    slow.DelayMs = 300;
    FakeServerConfig quick;
    quick.Ip = RunIp("127.10.0.2");
    const int slowId = Farm.Add(slow);
    const int quickId = Farm.Add(quick);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();

    const auto sent = std::chrono::steady_clock::now();
    Net.Send(Farm.Address(slowId), Str(InfoRequest()));
    Net.Send(Farm.Address(quickId), Str(InfoRequest()));
    auto first = Net.Receive();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->FromIp, RunIp("127.10.0.2"));
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::milliseconds(250));
    auto second = Net.Receive();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->FromIp, RunIp("127.10.0.1"));
    EXPECT_GE(std::chrono::steady_clock::now() - sent, std::chrono::milliseconds(300));
}

TEST_F(FarmTest, RecordsTheOrderInWhichServersWereReached) {
    const int first = Farm.AddMany(300, RunIp("127.10.1.250"), 27015, FakeServerConfig{});
    ASSERT_EQ(first, 0);
    EXPECT_EQ(Farm.Address(5), RunIp("127.10.2.1:27015")); // .255 and .0 skipped
    EXPECT_EQ(Farm.Config(299).Name, "Fake #300");
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();

    // A walk the farm cannot guess: every 7th server, wrapping around.
    std::vector<int> order;
    for (int i = 0; i < 300; ++i)
        order.push_back((i * 7) % 300);
    for (int id : order)
        Net.Send(Farm.Address(id), "\xFF\xFF\xFF\xFFunknown"); // '?': nothing to read back
    ASSERT_TRUE(Farm.WaitForRequests(order.size(), 5000));
    const auto requests = Farm.Requests();
    for (size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(requests[i].Server, order[i]) << i;
        if (i > 0) {
            EXPECT_GT(requests[i].Seq, requests[i - 1].Seq);
        }
    }
    EXPECT_EQ(Farm.AnswersSent(), 0u);
}

TEST_F(FarmTest, ServesFiveThousandServers) {
    constexpr int count = 5000;
    ASSERT_EQ(Farm.AddMany(count, RunIp("127.10.100.1"), 27015, FakeServerConfig{}), 0);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();
    const auto bound = std::chrono::steady_clock::now();
    // Windows of requests keep the client's receive buffer from overflowing.
    int answered = 0;
    for (int base = 0; base < count; base += 100) {
        for (int id = base; id < base + 100; ++id)
            Net.Send(Farm.Address(id), Str(InfoRequest()));
        for (int k = 0; k < 100; ++k)
            answered += Net.Receive() ? 1 : 0;
    }
    EXPECT_EQ(answered, count);
    EXPECT_EQ(Farm.RequestCount(), size_t(count));
    const auto done = std::chrono::steady_clock::now();
    using ms = std::chrono::milliseconds;
    std::printf("bind %d: %lld ms, query all: %lld ms\n", count,
                (long long)std::chrono::duration_cast<ms>(bound - start).count(),
                (long long)std::chrono::duration_cast<ms>(done - bound).count());
}

} // namespace
