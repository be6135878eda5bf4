// The simulated server's binary dialect, read with the program's own binary readers.
#include "A2sProtocol.h"
#include "FakeServer.h"
#include "RunAddresses.h"
#include "SplitReassembler.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::string Str(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}
std::span<const uint8_t> View(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

class Client {
public:
    Client() {
        Fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        inet_pton(AF_INET, RunAddress(1, 250).c_str(), &local.sin_addr);
        bind(Fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
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
    std::optional<std::string> Receive(int timeoutMs = 2000) const {
        pollfd p{Fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0)
            return std::nullopt;
        std::string buffer(65536, '\0');
        const ssize_t n = recv(Fd, buffer.data(), buffer.size(), 0);
        if (n < 0)
            return std::nullopt;
        buffer.resize(size_t(n));
        return buffer;
    }
    std::optional<std::string> Ask(const std::string& address, const Bytes& request) const {
        Send(address, Str(request));
        return Receive();
    }
    int Fd = -1;
};

class FakeA2s : public ::testing::Test {
protected:
    // One server on this run's block, started.
    std::string Serve(FakeServerConfig config) {
        config.Ip = RunAddress(0, ++Hosts);
        config.Port = 0;
        const int id = Farm.Add(std::move(config));
        EXPECT_GE(id, 0) << Farm.LastError();
        EXPECT_TRUE(Farm.Start()) << Farm.LastError();
        return Farm.Address(id);
    }
    static FakeServerConfig Binary() {
        FakeServerConfig config;
        config.Name = "Today";
        config.Players = 2;
        config.Bots = 1;
        config.Dialect = FakeDialect::Binary;
        return config;
    }
    static A2sChallenge ChallengeOf(const std::string& reply) {
        const auto c = ParseA2sChallenge(View(reply));
        EXPECT_TRUE(c) << "not a challenge";
        return c.value_or(A2sChallenge{});
    }

    FakeServerFarm Farm;
    Client Net;
    int Hosts = 0;
};

TEST_F(FakeA2s, EachDialectIsAnsweredOnlyByServersThatSpeakIt) {
    FakeServerConfig text;
    const std::string textServer = Serve(text);
    const std::string binaryServer = Serve(Binary());
    // The request not understood is never answered: the next datagram is the answer to
    // the request that follows it on the same socket.
    Net.Send(textServer, Str(A2sInfoRequest()));
    auto reply = Net.Ask(textServer, InfoRequest());
    ASSERT_TRUE(reply);
    EXPECT_TRUE(LooksLikeInfoAnswer(View(*reply)));
    Net.Send(binaryServer, Str(InfoRequest()));
    reply = Net.Ask(binaryServer, A2sInfoRequest());
    ASSERT_TRUE(reply);
    A2sInfo info;
    ASSERT_TRUE(ParseA2sInfo(View(*reply), info));
    EXPECT_EQ(info.Kind, 'I');
    EXPECT_EQ(info.Protocol, 48); // a 1.6 server, as today's servers say it
    EXPECT_EQ(info.Name, "Today");
    EXPECT_EQ(info.Bots, 1);
    EXPECT_EQ(info.GamePort, Farm.Port(1));
    const auto kinds = Farm.Requests();
    ASSERT_EQ(kinds.size(), 4u);
    EXPECT_EQ(std::string({kinds[0].Kind, kinds[1].Kind, kinds[2].Kind, kinds[3].Kind}), "TiiT");
}

TEST_F(FakeA2s, TheChallengeServerAnswersTheExactRequestWithItsChallengeOnly) {
    FakeServerConfig config = Binary();
    config.Challenge = true;
    const std::string server = Serve(config);
    auto reply = Net.Ask(server, A2sInfoRequest());
    ASSERT_TRUE(reply);
    const A2sChallenge challenge = ChallengeOf(*reply);
    A2sChallenge wrong = challenge;
    wrong[0] ^= 1;
    reply = Net.Ask(server, A2sInfoRequest(wrong));
    ASSERT_TRUE(reply);
    EXPECT_EQ(ChallengeOf(*reply), challenge);
    // A padded request is not understood.
    Bytes padded = A2sInfoRequest(challenge);
    padded.push_back(0);
    Net.Send(server, Str(padded));
    reply = Net.Ask(server, A2sInfoRequest(challenge));
    ASSERT_TRUE(reply);
    A2sInfo info;
    EXPECT_TRUE(ParseA2sInfo(View(*reply), info));
    EXPECT_EQ(Farm.Requests()[2].Kind, '?');
}

TEST_F(FakeA2s, PlayersAndRulesGoThroughTheChallengeAndSplitRulesComeShuffled) {
    FakeServerConfig config = Binary();
    config.RulesSplit = 5;
    const std::string server = Serve(config);
    auto reply = Net.Ask(server, A2sPlayersRequest());
    ASSERT_TRUE(reply);
    const A2sChallenge challenge = ChallengeOf(*reply);
    reply = Net.Ask(server, A2sPlayersRequest(challenge));
    ASSERT_TRUE(reply);
    PlayersInfoStructure players;
    int playerCount = 0;
    ASSERT_TRUE(ParseA2sPlayers(View(*reply), players, playerCount));
    EXPECT_EQ(playerCount, 2);
    EXPECT_EQ(players.Names[1], "Player 2");

    Net.Send(server, Str(A2sRulesRequest(challenge)));
    SplitReassembler joiner;
    Bytes joined;
    std::vector<int> indexes;
    for (int i = 0; i < 5; ++i) {
        auto piece = Net.Receive();
        ASSERT_TRUE(piece);
        ASSERT_TRUE(SplitReassembler::IsSplit(View(*piece)));
        indexes.push_back(uint8_t((*piece)[8]) >> 4);
        EXPECT_EQ(joiner.Take(View(*piece), 0, joined),
                  i < 4 ? SplitReassembler::Result::Pending : SplitReassembler::Result::Complete);
    }
    EXPECT_FALSE(std::is_sorted(indexes.begin(), indexes.end()));
    EXPECT_EQ(Str(joined), BuildRulesAnswer(config));
    RulesInfoStructure rules;
    int ruleCount = 0;
    ASSERT_TRUE(ParseA2sRules(joined, rules, ruleCount));
    EXPECT_EQ(ruleCount, static_cast<int>(DefaultFakeRules().size()));
}

TEST_F(FakeA2s, InfoFormsAndTheServerThatAsksForEver) {
    FakeServerConfig both = Binary();
    both.InfoForm = FakeInfoForm::Both;
    both.Dialect = FakeDialect::Both;
    const std::string bothServer = Serve(both);
    FakeServerConfig hostile = Binary();
    hostile.ChallengeForEver = true;
    const std::string hostileServer = Serve(hostile);

    Net.Send(bothServer, Str(A2sInfoRequest()));
    std::string kinds;
    for (int i = 0; i < 2; ++i) {
        auto reply = Net.Receive();
        ASSERT_TRUE(reply);
        A2sInfo info;
        ASSERT_TRUE(ParseA2sInfo(View(*reply), info));
        kinds += info.Kind;
        if (info.Kind == 'm') {
            EXPECT_EQ(info.Address, bothServer);
            EXPECT_EQ(info.Protocol, 47);
        }
    }
    EXPECT_EQ(kinds, "mI");
    auto text = Net.Ask(bothServer, InfoRequest());
    ASSERT_TRUE(text);
    EXPECT_TRUE(LooksLikeInfoAnswer(View(*text)));

    auto reply = Net.Ask(hostileServer, A2sInfoRequest());
    ASSERT_TRUE(reply);
    A2sChallenge last = ChallengeOf(*reply);
    for (int round = 0; round < 4; ++round) {
        reply = Net.Ask(hostileServer, A2sInfoRequest(last));
        ASSERT_TRUE(reply);
        const A2sChallenge next = ChallengeOf(*reply);
        EXPECT_NE(next, last);
        last = next;
    }
}

} // namespace
