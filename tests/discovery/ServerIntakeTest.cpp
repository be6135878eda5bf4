#include "ServerIntake.h"
#include "A2sProtocol.h"

#include "FakeServer.h"
#include "Gbk.h"
#include "MessageTable.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

std::string Answer(const Pairs& pairs) {
    std::string out("\xFF\xFF\xFF\xFFinfostringresponse", 22);
    out.push_back('\0');
    for (const auto& [k, v] : pairs)
        out += "\\" + k + "\\" + v;
    out.push_back('\0');
    return out;
}

std::string Answer(const char* name, const char* address, int protocol = 47) {
    FakeServerConfig c;
    c.Name = name;
    c.ReportedAddress = address;
    c.Protocol = protocol;
    c.Players = 3;
    c.MaxPlayers = 20;
    return BuildInfoAnswer(c);
}

std::span<const uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

class IntakeFixture : public testing::Test {
protected:
    IntakeFixture() {
        Intake.Options = [this] { return Options; };
        Intake.ShowMessage = [this](int m, int c) { Messages.emplace_back(m, c); };
        // Sent records the text requests; every one goes with the binary request.
        Intake.Send = [this](const std::string& host, int port, std::span<const uint8_t> b) {
            if (b.size() == A2sInfoRequest().size()) {
                BinarySent.emplace_back(host, port);
                return;
            }
            Sent.emplace_back(host, port);
            EXPECT_EQ(b.size(), 16u);
        };
        List.Listen([this](const RowsChange& c) { Sizes.push_back(c.Size); });
    }
    ServerIntake::Outcome Take(const std::string& datagram) {
        return Intake.TakeDatagram(Bytes(datagram));
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const ServerStructure& r : List)
            out.push_back(r.Name);
        return out;
    }
    static ServerStructure Listed(const char* ip, const char* port) {
        ServerStructure row;
        row.IP = ip;
        row.Port = port;
        return row;
    }

    BrowserModel Model;
    ServerRows& List = Model.SearchResults;
    ServerIntake Intake{Model};
    IntakeOptions Options;
    std::vector<size_t> Sizes; // the list's size after each change it announced
    std::vector<std::pair<int, int>> Messages;
    std::vector<std::pair<std::string, int>> Sent;
    std::vector<std::pair<std::string, int>> BinarySent;
    void TearDown() override { EXPECT_EQ(BinarySent, Sent); }
};

TEST(SearchResultsCaption, IsTheGroupCaptionWithTheCount) {
    EXPECT_EQ(SearchResultsCaption(12), G("搜索结果 : 12"));
    EXPECT_EQ(SearchResultsCaption(0), G("搜索结果 : 0"));
}

TEST_F(IntakeFixture, NewServerIsInsertedAtItsSortedPlaceAndAnnounced) {
    EXPECT_EQ(Take(Answer("Charlie", "127.30.0.3:27015")), ServerIntake::Outcome::Inserted);
    EXPECT_EQ(Take(Answer("Alpha", "127.30.0.1:27015")), ServerIntake::Outcome::Inserted);
    EXPECT_EQ(Take(Answer("Bravo", "127.30.0.2:27016", 46)), ServerIntake::Outcome::Inserted);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Alpha", "Bravo", "Charlie"}));
    ServerStructure bravo;
    bravo.Name = "Bravo";
    bravo.IP = "127.30.0.2";
    bravo.Port = "27016";
    bravo.Map = "de_dust2";
    bravo.Players = "3";
    bravo.MaxPlayers = "20";
    bravo.Protocol = "46";
    bravo.Password = "0";
    bravo.Alive = true;
    bravo.Answered = true;
    bravo.Dialect = QueryDialect::Text;
    bravo.GameFolder = "cstrike";
    bravo.Os = 'l';
    bravo.Secure = 0;
    EXPECT_EQ(List[1], bravo);
    EXPECT_EQ(Intake.LastPosition(), std::optional<size_t>(1));
    EXPECT_EQ(Sizes, (std::vector<size_t>{1, 2, 3}));

    Model.ServerSortColumn = ColName;
    Model.ServerSortAscending = false;
    Take(Answer("Delta", "127.30.0.4:27015"));
    EXPECT_EQ(List[0].Name, "Delta");
}

TEST_F(IntakeFixture, TwoAnswersOfOneServerGiveOneRowUpdatedTwice) {
    Take(Answer("First name", "127.30.0.1:27015"));
    List.Update(0, [](ServerStructure& r) {
        r.Response = "17";
        r.SentAt = 99;
    });
    EXPECT_EQ(Take(Answer("Second name", "127.30.0.1:27015")), ServerIntake::Outcome::Merged);
    ASSERT_EQ(List.size(), 1u);
    EXPECT_EQ(List[0].Name, "Second name");
    EXPECT_EQ(List[0].Response, "17"); // response and SentAt stay with the row
    EXPECT_EQ(List[0].SentAt, 99u);
    EXPECT_EQ(Sizes, (std::vector<size_t>{1, 1, 1}));
}

TEST_F(IntakeFixture, AnswerUpdatesEveryRowOfTheSameServer) {
    List.Add(Listed("127.30.0.1", "27015"));
    List.Add(Listed("127.30.0.12", "7015"));
    List.Add(Listed("127.30.0.1", "27015"));
    EXPECT_EQ(Take(Answer("Both", "127.30.0.1:27015")), ServerIntake::Outcome::Merged);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Both", "", "Both"}));
    EXPECT_EQ(Intake.LastPosition(), std::optional<size_t>(0));
}

TEST_F(IntakeFixture, VersionFilterDropsWithoutTouchingTheList) {
    Options.Filter1 = "0";
    EXPECT_EQ(Take(Answer("cs15", "127.30.0.1:27015", 46)), ServerIntake::Outcome::Filtered);
    EXPECT_EQ(Take(Answer("cs16", "127.30.0.2:27015", 47)), ServerIntake::Outcome::Inserted);
    EXPECT_EQ(Take(Answer("other", "127.30.0.3:27015", 48)), ServerIntake::Outcome::Inserted);
    Options.Filter1 = "1";
    Options.Filter2 = "0";
    // a filtered answer does not update the listed row either
    EXPECT_EQ(Take(Answer("cs16 again", "127.30.0.2:27015", 47)), ServerIntake::Outcome::Filtered);
    EXPECT_EQ(Names(), (std::vector<std::string>{"cs16", "other"}));
    EXPECT_EQ(Sizes, (std::vector<size_t>{1, 2}));
}

TEST_F(IntakeFixture, EmptyAddressOrBadNumbersChangeNothing) {
    EXPECT_EQ(Take(Answer({{"hostname", "x"}, {"address", ""}})), ServerIntake::Outcome::Dropped);
    EXPECT_EQ(Take(Answer({{"address", "127.30.0.1:27015"}, {"protocol", "4x"}})),
              ServerIntake::Outcome::Dropped);
    EXPECT_EQ(Take(Answer({{"address", "127.30.0.1:27015"}, {"password", ""}})),
              ServerIntake::Outcome::Dropped);
    EXPECT_EQ(Take(Answer({{"address", ""}, {"address", "127.30.0.1:27015"}})),
              ServerIntake::Outcome::Dropped);
    EXPECT_EQ(Take("\xFF\xFF\xFF\xFFplayers"), ServerIntake::Outcome::NotInfo);
    EXPECT_TRUE(List.empty());
    EXPECT_TRUE(Sizes.empty()) << "not even the caption is rewritten";
    EXPECT_TRUE(Messages.empty());
}

struct BadAddressAnswer {
    const char* Name;
    Pairs Answer;
};

void PrintTo(const BadAddressAnswer& c, std::ostream* os) {
    *os << c.Name;
}

Pairs AddressAsPair19() {
    Pairs pairs;
    for (int i = 0; i < 18; ++i)
        pairs.emplace_back("k" + std::to_string(i), "v");
    pairs.emplace_back("address", "127.30.0.1:27015");
    return pairs;
}

// Each of these once made a row; several of them collapsed into one row with an empty
// address, or gave a row whose port was an address.
const BadAddressAnswer BadAddressAnswers[] = {
    {"NoAddressKey", {{"hostname", "no address"}, {"protocol", "47"}}},
    {"AddressIsThe19thPair", AddressAsPair19()},
    {"NoColon", {{"address", "27016"}}},
    {"AddressWithoutPort", {{"address", "127.9.4.4"}}},
    {"SecondColon", {{"address", "127.30.0.9:27015:x"}}},
    {"PortZero", {{"address", "127.30.0.1:0"}}},
    {"PortTooLarge", {{"address", "127.30.0.1:65536"}}},
    {"LastOctetZero", {{"address", "127.30.0.0:27015"}}},
    {"OctetTooLarge", {{"address", "127.30.0.256:27015"}}},
    {"ThreeOctets", {{"address", "127.30.1:27015"}}},
    {"HostName", {{"address", "localhost:27015"}}},
};

class IntakeBadAddress : public IntakeFixture,
                         public testing::WithParamInterface<BadAddressAnswer> {};

TEST_P(IntakeBadAddress, IsDroppedLikeAnEmptyOne) {
    Pairs pairs = GetParam().Answer;
    pairs.emplace_back("hostname", GetParam().Name);
    for (int round = 0; round < 2; ++round)
        EXPECT_EQ(Take(Answer(pairs)), ServerIntake::Outcome::Dropped);
    EXPECT_TRUE(List.empty());
    EXPECT_TRUE(Sizes.empty());
    EXPECT_FALSE(Intake.LastPosition());
}

INSTANTIATE_TEST_SUITE_P(Values, IntakeBadAddress, testing::ValuesIn(BadAddressAnswers),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(IntakeFixture, AnAddressWrittenTwoWaysIsOneServer) {
    EXPECT_EQ(Take(Answer("padded", "127.30.0.01:027015")), ServerIntake::Outcome::Inserted);
    EXPECT_EQ(Take(Answer("plain", "127.30.0.1:27015")), ServerIntake::Outcome::Merged);
    ASSERT_EQ(List.size(), 1u);
    EXPECT_EQ(List[0].IP, "127.30.0.1");
    EXPECT_EQ(List[0].Port, "27015");
    EXPECT_EQ(List[0].Name, "plain");
    // A near collision stays a server of its own.
    EXPECT_EQ(Take(Answer("other", "127.30.0.12:7015")), ServerIntake::Outcome::Inserted);
    EXPECT_EQ(List.size(), 2u);
}

TEST_F(IntakeFixture, ManualAddThenAnswerFillsThePendingRow) {
    std::string ip = "  127.30.0.5 ", port = " 27015";
    ASSERT_TRUE(Intake.suiButton_AddServerClick(ip, port));
    EXPECT_EQ(ip, "127.30.0.5");
    EXPECT_EQ(port, "27015");
    ServerStructure pending;
    pending.IP = "127.30.0.5";
    pending.Port = "27015";
    pending.Protocol = "00";
    pending.Answered = true;
    ASSERT_EQ(List.size(), 1u);
    EXPECT_EQ(List[0], pending);
    EXPECT_EQ(Sent, (std::vector<std::pair<std::string, int>>{{"127.30.0.5", 27015}}));
    EXPECT_EQ(Sizes, (std::vector<size_t>{1}));

    EXPECT_EQ(Take(Answer("Found", "127.30.0.5:27015")), ServerIntake::Outcome::Merged);
    ASSERT_EQ(List.size(), 1u);
    EXPECT_EQ(List[0].Name, "Found");
    EXPECT_EQ(List[0].Protocol, "47");
    EXPECT_TRUE(List[0].Alive);

    // adding it again blanks it and marks it down until the next answer
    List.Update(0, [](ServerStructure& r) { r.Response = "12"; });
    ASSERT_TRUE(Intake.suiButton_AddServerClick(ip, port));
    ASSERT_EQ(List.size(), 1u);
    EXPECT_EQ(List[0], pending);
}

TEST_F(IntakeFixture, ManualAddRefusesBadTextsAndKeepsHistories) {
    std::string ip = "127.30.0.0", port = "27015";
    EXPECT_FALSE(Intake.suiButton_AddServerClick(ip, port));
    ip = "127.30.0.300";
    port = "0";
    EXPECT_FALSE(Intake.suiButton_AddServerClick(ip, port));
    EXPECT_EQ(Messages, (std::vector<std::pair<int, int>>{{MsgInvalidAddress, MsgNotice},
                                                          {MsgInvalidPort, MsgNotice}}));
    EXPECT_TRUE(List.empty());
    EXPECT_TRUE(Sent.empty());

    EXPECT_EQ(Intake.PortHistory(), (std::vector<std::string>{"27015", "27014", "27016"}));
    ip = "127.30.0.7";
    port = "27020";
    ASSERT_TRUE(Intake.suiButton_AddServerClick(ip, port));
    ip = "127.30.0.8";
    port = "27015";
    ASSERT_TRUE(Intake.suiButton_AddServerClick(ip, port));
    ip = "127.30.0.7";
    ASSERT_TRUE(Intake.suiButton_AddServerClick(ip, port));
    EXPECT_EQ(Intake.AddressHistory(), (std::vector<std::string>{"127.30.0.8", "127.30.0.7"}));
    EXPECT_EQ(Intake.PortHistory(), (std::vector<std::string>{"27020", "27015", "27014", "27016"}));
}

TEST_F(IntakeFixture, ManualAddStoresTheCanonicalAddressSoTheAnswerMerges) {
    struct Typed {
        const char* Address;
        const char* Port;
    };
    for (const Typed typed : {Typed{"+127.030.0.7", "027015"}, Typed{"127.30.0.07", "27015"},
                              Typed{"127.30.0.7", "+27015"}}) {
        SCOPED_TRACE(std::string(typed.Address) + " " + typed.Port);
        List.Clear();
        Sent.clear();
        BinarySent.clear();
        std::string ip = typed.Address, port = typed.Port;
        ASSERT_TRUE(Intake.suiButton_AddServerClick(ip, port));
        ASSERT_EQ(List.size(), 1u);
        EXPECT_EQ(List[0].IP, "127.30.0.7");
        EXPECT_EQ(List[0].Port, "27015");
        EXPECT_EQ(Sent, (std::vector<std::pair<std::string, int>>{{"127.30.0.7", 27015}}));
        // the history keeps the text as typed
        EXPECT_EQ(Intake.AddressHistory().front(), typed.Address);
        EXPECT_EQ(Take(Answer("Up", "127.30.0.7:27015")), ServerIntake::Outcome::Merged);
        ASSERT_EQ(List.size(), 1u);
        EXPECT_TRUE(List[0].Alive);
        EXPECT_EQ(List[0].Name, "Up");
    }
}

TEST_F(IntakeFixture, ChangesByOthersAreSeenByTheNextAnswer) {
    Take(Answer("A", "127.30.0.1:27015"));
    Take(Answer("B", "127.30.0.2:27015"));
    Take(Answer("C", "127.30.0.3:27015"));

    SortList(List, ColName, false, {});
    EXPECT_EQ(Take(Answer("B2", "127.30.0.2:27015")), ServerIntake::Outcome::Merged);
    EXPECT_EQ(Names(), (std::vector<std::string>{"C", "B2", "A"}));

    // A delete and an import of equal size, then an answer for the deleted server: it
    // comes back as a new row, and the imported row takes its own answer.
    List.Remove(List.FindFirst("127.30.0.3", "27015").value());
    List.Add(Listed("127.30.0.9", "27015"));
    EXPECT_EQ(Take(Answer("C again", "127.30.0.3:27015")), ServerIntake::Outcome::Inserted);
    EXPECT_EQ(Take(Answer("I", "127.30.0.9:27015")), ServerIntake::Outcome::Merged);
    EXPECT_EQ(List.size(), 4u);

    List.Clear();
    EXPECT_EQ(Take(Answer("I", "127.30.0.9:27015")), ServerIntake::Outcome::Inserted);
    EXPECT_EQ(List.size(), 1u);

    List.Update(0, [](ServerStructure& r) { r.IP = "127.30.0.10"; });
    EXPECT_EQ(Take(Answer("I", "127.30.0.9:27015")), ServerIntake::Outcome::Inserted);
    EXPECT_EQ(Take(Answer("J", "127.30.0.10:27015")), ServerIntake::Outcome::Merged);
    EXPECT_EQ(List.size(), 2u);
}

TEST_F(IntakeFixture, ABurstListsEveryServerOnce) {
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 3000; ++i)
            Take(Answer("S", ("127.30." + std::to_string(i / 250) + "." +
                              std::to_string(i % 250 + 1) + ":27015")
                                 .c_str()));
    EXPECT_EQ(List.size(), 3000u);
    for (int i = 0; i < 3000; i += 7)
        EXPECT_EQ(List.Find("127.30." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1),
                            "27015")
                      .size(),
                  1u);
}

} // namespace
