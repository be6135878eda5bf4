// The binary query dialect through the intake and a loopback scan, over
// simulated servers of every combination on this run's own loopback addresses.
#include "A2sProtocol.h"
#include "FakeServer.h"
#include "RunAddresses.h"
#include "SearchController.h"
#include "ServerIntake.h"
#include "TNMUDP.h"

#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

std::span<const uint8_t> View(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

class BinaryIntake : public testing::Test {
protected:
    BinaryIntake() {
        Intake.Send = [this](const std::string& host, int port, std::span<const uint8_t> b) {
            Sent.push_back({host, port, Bytes(b.begin(), b.end())});
        };
    }
    struct Datagram {
        std::string Host;
        int Port;
        Bytes Data;
        bool operator==(const Datagram&) const = default;
    };
    ServerIntake::Outcome Take(const std::string& datagram, const std::string& ip = "127.30.0.4",
                               int port = 27015) {
        return Intake.TakeDatagram(View(datagram), ip, port);
    }
    static FakeServerConfig Config() {
        FakeServerConfig c;
        c.Name = "Today";
        c.Players = 5;
        c.MaxPlayers = 20;
        c.Bots = 2;
        c.Ip = "127.30.0.4";
        c.ReportedAddress = "127.30.0.99:27099"; // what 'm' names; the row is the sender
        return c;
    }

    BrowserModel Model;
    ServerRows& List = Model.SearchResults;
    ServerIntake Intake{Model};
    std::vector<Datagram> Sent;
};

TEST_F(BinaryIntake, AnswersOfBothFormsAndDialectsFromOneSenderAreOneRow) {
    const FakeServerConfig config = Config();
    EXPECT_EQ(Take(BuildA2sInfoM(config)), ServerIntake::Outcome::Inserted);
    EXPECT_EQ(Take(BuildA2sInfoI(config)), ServerIntake::Outcome::Merged);
    FakeServerConfig text = config;
    text.ReportedAddress = "127.30.0.4:27015";
    EXPECT_EQ(Take(BuildInfoAnswer(text)), ServerIntake::Outcome::Merged);
    ASSERT_EQ(List.size(), 1u);
    ServerStructure expected;
    expected.Name = "Today";
    expected.IP = "127.30.0.4";
    expected.Port = "27015";
    expected.Map = "de_dust2";
    expected.Players = "5";
    expected.MaxPlayers = "20";
    expected.Protocol = "47"; // 'I' says 48
    expected.Password = "0";
    expected.Alive = true;
    expected.Answered = true;
    expected.Dialect = QueryDialect::Binary; // kept when the text answer came later
    expected.GameFolder = "cstrike";
    expected.Bots = "2";
    expected.Version = "1.1.2.7/Stdio";
    expected.Os = 'l';
    expected.Secure = 0; // as the text answer said last
    EXPECT_EQ(List[0], expected);
    EXPECT_EQ(Intake.LastBinaryInfo().Kind, 'I');
    // Without its sender a binary answer names no row.
    EXPECT_EQ(Intake.TakeDatagram(View(BuildA2sInfoI(config))), ServerIntake::Outcome::NotInfo);
    EXPECT_TRUE(Sent.empty());
}

TEST_F(BinaryIntake, AChallengeIsAnsweredToItsSenderAtMostThreeTimesPerQuery) {
    for (uint32_t round = 0; round < 5; ++round)
        EXPECT_EQ(Take(BuildA2sChallenge(0x0A0B0C00 + round)),
                  round < 3 ? ServerIntake::Outcome::Challenged : ServerIntake::Outcome::NotInfo);
    ASSERT_EQ(Sent.size(), 3u);
    for (uint32_t round = 0; round < 3; ++round) {
        const A2sChallenge c{uint8_t(round), 0x0C, 0x0B, 0x0A};
        EXPECT_EQ(Sent[round], (Datagram{"127.30.0.4", 27015, A2sInfoRequest(c)}));
    }
    // Another server has rounds of its own; an answer ends the query of its server.
    EXPECT_EQ(Take(BuildA2sChallenge(1), "127.30.0.5"), ServerIntake::Outcome::Challenged);
    EXPECT_EQ(Take(BuildA2sInfoI(Config()), "127.30.0.5"), ServerIntake::Outcome::Inserted);
    EXPECT_EQ(Take(BuildA2sChallenge(2), "127.30.0.5"), ServerIntake::Outcome::Challenged);
    EXPECT_EQ(Sent.size(), 5u);
}

TEST_F(BinaryIntake, AnswersAndChallengesOfSendersNobodyAskedAreRefused) {
    // A binary answer names no address: from a sender not asked, any datagram that reads
    // as one would make a row, and a challenge would have us send to whoever forged it.
    Intake.Asked = [](const std::string& host, int port) {
        return host == "127.30.0.4" && port == 27016;
    };
    EXPECT_EQ(Take(BuildA2sInfoI(Config())), ServerIntake::Outcome::NotInfo);
    EXPECT_EQ(Take(BuildA2sInfoM(Config())), ServerIntake::Outcome::NotInfo);
    EXPECT_EQ(Take(BuildA2sChallenge(7)), ServerIntake::Outcome::NotInfo);
    EXPECT_TRUE(List.empty());
    EXPECT_TRUE(Sent.empty());
    EXPECT_EQ(Take(BuildA2sInfoI(Config()), "127.30.0.4", 27016), ServerIntake::Outcome::Inserted);
    // A server added by hand counts as asked.
    std::string ip = "127.30.0.4", port = "27015";
    ASSERT_TRUE(Intake.suiButton_AddServerClick(ip, port));
    EXPECT_EQ(Take(BuildA2sInfoI(Config())), ServerIntake::Outcome::Merged);
    EXPECT_EQ(List.size(), 2u);
}

TEST_F(BinaryIntake, VersionFiltersTakeProtocol48AsCounterStrike16) {
    IntakeOptions options;
    options.Filter2 = "0";
    Intake.Options = [&] { return options; };
    EXPECT_EQ(Take(BuildA2sInfoI(Config())), ServerIntake::Outcome::Filtered);
    FakeServerConfig other = Config();
    other.GameDir = "dod";
    EXPECT_EQ(Take(BuildA2sInfoI(other)), ServerIntake::Outcome::Inserted);
    EXPECT_EQ(List[0].Protocol, "00");
    EXPECT_EQ(List[0].GameFolder, "dod");
}

// Every combination a network of today holds, one server each.
struct Kind {
    const char* Name;
    FakeDialect Dialect;
    FakeInfoForm Form;
    bool Challenge;
    bool ForEver;
};
const Kind Kinds[] = {
    {"text", FakeDialect::Text, FakeInfoForm::I, false, false},
    {"binary", FakeDialect::Binary, FakeInfoForm::I, false, false},
    {"challenge", FakeDialect::Binary, FakeInfoForm::I, true, false},
    {"m-only", FakeDialect::Binary, FakeInfoForm::M, true, false},
    {"m-and-I", FakeDialect::Binary, FakeInfoForm::Both, true, false},
    {"both-dialects", FakeDialect::Both, FakeInfoForm::Both, true, false},
    {"asks-for-ever", FakeDialect::Binary, FakeInfoForm::I, false, true},
};

class BinaryScan : public testing::Test {
protected:
    BinaryScan() {
        Udp.OnDataReceived = [this](TNMUDP& sender, int n, const std::string& ip, int port) {
            Intake.NMUDP1DataReceived(sender, n, ip, port);
        };
        Udp.SetAnswerTest(&LooksLikeAnyInfoAnswer);
        Intake.Send = [this](const std::string& h, int p, std::span<const uint8_t> b) {
            Udp.SendDatagram(h, p, b);
        };
        Intake.Asked = [this](const std::string& h, int p) { return Controller.Covers(h, p); };
        Controller.SetPace([this] { Udp.WaitForReceiveRoom(); });
        Controller.Finished = [this] { Done = true; };
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

TEST_F(BinaryScan, ListsEveryServerOnceWhateverItAnswersIn) {
    std::map<std::string, int> ids; // by address
    int host = 0;
    for (const Kind& kind : Kinds) {
        FakeServerConfig c;
        c.Ip = RunAddress(2, ++host);
        c.Port = 27015;
        c.Name = kind.Name;
        c.Dialect = kind.Dialect;
        c.InfoForm = kind.Form;
        c.Challenge = kind.Challenge;
        c.ChallengeForEver = kind.ForEver;
        ids[c.Ip] = Farm.Add(c);
        ASSERT_GE(ids[c.Ip], 0) << Farm.LastError();
    }
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();
    std::string from = RunAddress(2, 1), to = RunAddress(2, 20);
    ASSERT_EQ(Controller.Begin(from, to, {27015}), SearchController::BeginResult::Started);
    ASSERT_TRUE(QTest::qWaitFor([this] { return Done && SearchResults.size() >= 6; }, 10000));
    // The server that asks for ever has had its three rounds once they are all in.
    const int askingId = ids[RunAddress(2, 7)];
    auto requestsOf = [&](int id) {
        std::string kinds;
        for (const auto& r : Farm.Requests())
            if (r.Server == id)
                kinds += r.Kind + std::to_string(r.Data.size()) + " ";
        return kinds;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return requestsOf(askingId).size() >= 20; }, 5000));
    QTest::qWait(100); // room for anything that should not come
    EXPECT_EQ(requestsOf(askingId), "i16 T25 T29 T29 T29 ");
    // A server with the challenge: the bare request, then once with it.
    EXPECT_EQ(requestsOf(ids[RunAddress(2, 3)]), "i16 T25 T29 ");
    EXPECT_EQ(requestsOf(ids[RunAddress(2, 1)]), "i16 T25 ");

    std::map<std::string, std::string> listed;
    for (const ServerStructure& row : SearchResults) {
        EXPECT_EQ(row.Port, "27015");
        EXPECT_EQ(row.Protocol, "47") << row.Name;
        EXPECT_TRUE(listed.emplace(row.Name, row.IP).second) << row.Name << " twice";
        EXPECT_EQ(row.Dialect, row.Name == "text" ? QueryDialect::Text : QueryDialect::Binary)
            << row.Name;
    }
    EXPECT_EQ(listed.size(), 6u);
    EXPECT_EQ(listed.count("asks-for-ever"), 0u);
    for (const auto& [name, ip] : listed)
        EXPECT_EQ(Farm.Config(ids[ip]).Name, name);
}

} // namespace
