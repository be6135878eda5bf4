#include "ServerIntake.h"

#include "FakeServer.h"
#include "Gbk.h"
#include "MessageTable.h"

#include <gtest/gtest.h>

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
        Intake.CountChanged = [this](size_t n, const std::string& caption) {
            Counts.push_back(n);
            Caption = caption;
        };
        Intake.ShowMessage = [this](int m, int c) { Messages.emplace_back(m, c); };
        Intake.Send = [this](const std::string& host, int port, std::span<const uint8_t> b) {
            Sent.emplace_back(host, port);
            EXPECT_EQ(b.size(), 16u);
        };
    }
    ServerIntake::Outcome Take(const std::string& datagram) {
        return Intake.TakeDatagram(Bytes(datagram));
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const auto& r : List)
            out.push_back(r->Name);
        return out;
    }

    ServerList List;
    ServerIntake Intake{List};
    IntakeOptions Options;
    std::vector<size_t> Counts;
    std::string Caption;
    std::vector<std::pair<int, int>> Messages;
    std::vector<std::pair<std::string, int>> Sent;
};

TEST_F(IntakeFixture, NewServerIsInsertedAtItsSortedPlaceAndCounted) {
    EXPECT_EQ(Take(Answer("Charlie", "127.30.0.3:27015")), ServerIntake::Outcome::Inserted);
    EXPECT_EQ(Take(Answer("Alpha", "127.30.0.1:27015")), ServerIntake::Outcome::Inserted);
    EXPECT_EQ(Take(Answer("Bravo", "127.30.0.2:27016", 46)), ServerIntake::Outcome::Inserted);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Alpha", "Bravo", "Charlie"}));
    const ServerStructure& b = *List[1];
    EXPECT_EQ(b.IP, "127.30.0.2");
    EXPECT_EQ(b.Port, "27016");
    EXPECT_EQ(b.Map, "de_dust2");
    EXPECT_EQ(b.Players, "3");
    EXPECT_EQ(b.MaxPlayers, "20");
    EXPECT_EQ(b.Protocol, "46");
    EXPECT_EQ(b.Password, "0");
    EXPECT_EQ(b.Response, "");
    EXPECT_TRUE(b.Alive);
    EXPECT_TRUE(b.Answered);
    EXPECT_EQ(Counts, (std::vector<size_t>{1, 2, 3}));
    EXPECT_EQ(Caption, G("搜索结果 : 3"));

    Options.SortColumn = ColName;
    Options.SortAscending = false;
    Take(Answer("Delta", "127.30.0.4:27015"));
    EXPECT_EQ(List.front()->Name, "Delta");
}

TEST_F(IntakeFixture, TwoAnswersOfOneServerGiveOneRowUpdatedTwice) {
    Take(Answer("First name", "127.30.0.1:27015"));
    List.front()->Response = "17";
    List.front()->SentAt = 99;
    EXPECT_EQ(Take(Answer("Second name", "127.30.0.1:27015")), ServerIntake::Outcome::Merged);
    ASSERT_EQ(List.size(), 1u);
    EXPECT_EQ(List.front()->Name, "Second name");
    EXPECT_EQ(List.front()->Response, "17"); // response and SentAt stay with the row
    EXPECT_EQ(List.front()->SentAt, 99u);
    EXPECT_EQ(Counts, (std::vector<size_t>{1, 1}));
}

TEST_F(IntakeFixture, AnswerUpdatesEveryRowOfTheSameServer) {
    for (int i = 0; i < 2; ++i) {
        auto row = std::make_unique<ServerStructure>();
        row->IP = "127.30.0.1";
        row->Port = "27015";
        List.push_back(std::move(row));
    }
    Intake.InvalidateIndex();
    EXPECT_EQ(Take(Answer("Both", "127.30.0.1:27015")), ServerIntake::Outcome::Merged);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Both", "Both"}));
}

TEST_F(IntakeFixture, VersionFilterDropsButStillShowsTheCount) {
    Options.Filter1 = "0";
    EXPECT_EQ(Take(Answer("cs15", "127.30.0.1:27015", 46)), ServerIntake::Outcome::Filtered);
    EXPECT_EQ(Take(Answer("cs16", "127.30.0.2:27015", 47)), ServerIntake::Outcome::Inserted);
    EXPECT_EQ(Take(Answer("other", "127.30.0.3:27015", 48)), ServerIntake::Outcome::Inserted);
    Options.Filter1 = "1";
    Options.Filter2 = "0";
    // a filtered answer does not update the listed row either
    EXPECT_EQ(Take(Answer("cs16 again", "127.30.0.2:27015", 47)), ServerIntake::Outcome::Filtered);
    EXPECT_EQ(Names(), (std::vector<std::string>{"cs16", "other"}));
    EXPECT_EQ(Counts, (std::vector<size_t>{0, 1, 2, 2}));
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
    EXPECT_TRUE(Counts.empty()) << "not even the caption is rewritten";
    EXPECT_TRUE(Messages.empty());
}

TEST_F(IntakeFixture, FieldRulesOfTheAnswer) {
    Take(Answer({{"address", "127.30.0.1:1"},
                 {"protocol", "+047"},
                 {"hostname", "a"},
                 {"address", "127.30.0.9:27015:x"},
                 {"hostname", "b"}}));
    ASSERT_EQ(List.size(), 1u);
    EXPECT_EQ(List[0]->IP, "127.30.0.9"); // the later pair wins
    EXPECT_EQ(List[0]->Port, "27015:x");  // everything after the first colon
    EXPECT_EQ(List[0]->Protocol, "47");   // the integer's decimal text
    EXPECT_EQ(List[0]->Name, "b");
    EXPECT_EQ(List[0]->Password, "");
    Take(Answer({{"address", "27016"}, {"hostname", "no colon"}}));
    ASSERT_EQ(List.size(), 2u);
    EXPECT_EQ(List[1]->IP, "");
    EXPECT_EQ(List[1]->Port, "27016");
}

TEST_F(IntakeFixture, ManualAddThenAnswerFillsThePendingRow) {
    std::string ip = "  127.30.0.5 ", port = " 27015";
    ASSERT_TRUE(Intake.suiButton_AddServerClick(ip, port));
    EXPECT_EQ(ip, "127.30.0.5");
    EXPECT_EQ(port, "27015");
    ASSERT_EQ(List.size(), 1u);
    EXPECT_EQ(List[0]->Protocol, "00");
    EXPECT_FALSE(List[0]->Alive);
    EXPECT_TRUE(List[0]->Answered);
    EXPECT_EQ(Sent, (std::vector<std::pair<std::string, int>>{{"127.30.0.5", 27015}}));
    EXPECT_EQ(Caption, G("搜索结果 : 1"));

    EXPECT_EQ(Take(Answer("Found", "127.30.0.5:27015")), ServerIntake::Outcome::Merged);
    ASSERT_EQ(List.size(), 1u);
    EXPECT_EQ(List[0]->Name, "Found");
    EXPECT_EQ(List[0]->Protocol, "47");
    EXPECT_TRUE(List[0]->Alive);

    // adding it again blanks it and marks it down until the next answer
    List[0]->Response = "12";
    ASSERT_TRUE(Intake.suiButton_AddServerClick(ip, port));
    ASSERT_EQ(List.size(), 1u);
    EXPECT_EQ(List[0]->Name, "");
    EXPECT_EQ(List[0]->Map, "");
    EXPECT_EQ(List[0]->Protocol, "00");
    EXPECT_EQ(List[0]->Response, "");
    EXPECT_FALSE(List[0]->Alive);
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

TEST_F(IntakeFixture, ManualAddSendsToTheCheckedAddress) {
    std::string ip = "+127.030.0.7", port = "027015";
    ASSERT_TRUE(Intake.suiButton_AddServerClick(ip, port));
    EXPECT_EQ(List[0]->IP, "+127.030.0.7"); // the row keeps the text as typed
    EXPECT_EQ(List[0]->Port, "027015");
    EXPECT_EQ(Sent, (std::vector<std::pair<std::string, int>>{{"127.30.0.7", 27015}}));
}

TEST_F(IntakeFixture, IndexFollowsChangesMadeByOthers) {
    Take(Answer("A", "127.30.0.1:27015"));
    Take(Answer("B", "127.30.0.2:27015"));
    Take(Answer("C", "127.30.0.3:27015"));
    const size_t builds = Intake.IndexBuilds();

    // Sorting moves only pointers: the index stays valid and is not rebuilt.
    SortList(List, ColName, false, {});
    EXPECT_EQ(Take(Answer("B2", "127.30.0.2:27015")), ServerIntake::Outcome::Merged);
    EXPECT_EQ(Intake.IndexBuilds(), builds);

    // A delete and an import of equal size, announced: the new row is found, the old is gone.
    List.erase(List.begin());
    auto imported = std::make_unique<ServerStructure>();
    imported->IP = "127.30.0.9";
    imported->Port = "27015";
    List.push_back(std::move(imported));
    Intake.InvalidateIndex();
    EXPECT_EQ(Take(Answer("I", "127.30.0.9:27015")), ServerIntake::Outcome::Merged);
    EXPECT_EQ(List.back()->Name, "I");
    EXPECT_GT(Intake.IndexBuilds(), builds);

    // A delete nobody announced: the size check catches it before a freed row is used.
    List.clear();
    EXPECT_EQ(Take(Answer("I", "127.30.0.9:27015")), ServerIntake::Outcome::Inserted);
    EXPECT_EQ(List.size(), 1u);

    // An address edited in place without notice is noticed when its old key is looked up.
    List[0]->IP = "127.30.0.10";
    EXPECT_EQ(Take(Answer("I", "127.30.0.9:27015")), ServerIntake::Outcome::Inserted);
    EXPECT_EQ(Take(Answer("J", "127.30.0.10:27015")), ServerIntake::Outcome::Merged);
    EXPECT_EQ(List.size(), 2u);
}

TEST_F(IntakeFixture, ABurstStaysLinear) {
    // 3000 servers answering twice: with the index, one build and no quadratic walk.
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 3000; ++i)
            Take(Answer("S", ("127.30." + std::to_string(i / 250) + "." +
                              std::to_string(i % 250 + 1) + ":27015")
                                 .c_str()));
    EXPECT_EQ(List.size(), 3000u);
    EXPECT_EQ(Intake.IndexBuilds(), 1u);
}

} // namespace
