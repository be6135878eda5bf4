#include "AnswerRecord.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

ServerInfoStructure Info(const Pairs& pairs) {
    ServerInfoStructure info;
    for (size_t i = 0; i < pairs.size() && i < InfoPairCount; ++i) {
        info.Keys[i] = pairs[i].first;
        info.Values[i] = pairs[i].second;
    }
    return info;
}

TEST(BuildAnswerRecord, FillsTheRowLaterPairsWinAndTheAddressIsCanonical) {
    const auto row = BuildAnswerRecord(Info({{"address", "127.30.0.1:1"},
                                             {"protocol", "+047"},
                                             {"hostname", "a"},
                                             {"map", "de_dust2"},
                                             {"players", "3"},
                                             {"max", "20"},
                                             {"password", "01"},
                                             {"address", "127.030.0.09:027015"},
                                             {"hostname", "b"},
                                             {"unknown", "x"}}));
    ASSERT_TRUE(row);
    ServerStructure expected;
    expected.Name = "b";
    expected.IP = "127.30.0.9";
    expected.Port = "27015";
    expected.Map = "de_dust2";
    expected.Players = "3";
    expected.MaxPlayers = "20";
    expected.Protocol = "47";
    expected.Password = "1";
    expected.Alive = true;
    expected.Answered = true;
    expected.Dialect = QueryDialect::Text;
    EXPECT_EQ(*row, expected);
}

TEST(VersionTag, Protocol48IsCounterStrike16AndOtherGamesAreNeverTaggedAsCounterStrike) {
    struct Case {
        int32_t Protocol;
        const char* Folder;
        const char* Tag;
    };
    const Case cases[] = {
        {46, "cstrike", "46"}, {47, "cstrike", "47"},  {48, "cstrike", "47"}, {48, "", "47"},
        {48, "CStrike", "47"}, {49, "cstrike", "49"},  {48, "dod", "00"},     {47, "valve", "00"},
        {46, "czero", "00"},   {48, "cstrike2", "00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VersionTag(c.Protocol, c.Folder), c.Tag) << c.Protocol << " " << c.Folder;
}

TEST(BuildAnswerRecord, TakesTheExtrasOfATextAnswerAndTagsItsVersionByFolder) {
    const Pairs text = {{"protocol", "48"},
                        {"address", "127.30.0.1:27015"},
                        {"gamedir", "cstrike"},
                        {"bots", "2"},
                        {"os", "w"},
                        {"secure", "1"}};
    const auto row = BuildAnswerRecord(Info(text));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->Protocol, "47");
    EXPECT_EQ(row->GameFolder, "cstrike");
    EXPECT_EQ(row->Bots, "2");
    EXPECT_EQ(row->Os, 'w');
    EXPECT_EQ(row->Secure, 1);
    EXPECT_EQ(row->Dialect, QueryDialect::Text);
    const auto other = BuildAnswerRecord(
        Info({{"protocol", "47"}, {"address", "127.30.0.1:27015"}, {"gamedir", "dod"}}),
        QueryDialect::Binary);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->Protocol, "00");
    EXPECT_EQ(other->GameFolder, "dod");
    EXPECT_EQ(other->Dialect, QueryDialect::Binary);
    EXPECT_EQ(other->Secure, -1); // not told
}

TEST(MergeAnswer, KeepsTheRowsOwnFieldsAndWhatTheAnswerDoesNotTell) {
    ServerStructure row;
    row.IP = "127.30.0.1";
    row.Port = "27015";
    row.Response = "12";
    row.SentAt = 99;
    row.Dialect = QueryDialect::Binary;
    row.Bots = "3";
    row.Version = "1.1.2.7";
    row.Os = 'l';
    row.Secure = 1;
    ServerStructure text;
    text.Name = "n";
    text.IP = "other";
    text.Map = "m";
    text.Players = "4";
    text.MaxPlayers = "10";
    text.Protocol = "47";
    text.Password = "0";
    text.Alive = true;
    text.Answered = true;
    text.Dialect = QueryDialect::Text;
    text.GameFolder = "cstrike";
    ServerStructure expected = row;
    expected.Name = "n";
    expected.Map = "m";
    expected.Players = "4";
    expected.MaxPlayers = "10";
    expected.Protocol = "47";
    expected.Password = "0";
    expected.Alive = true;
    expected.Answered = true;
    expected.GameFolder = "cstrike";
    MergeAnswer(row, text);
    EXPECT_EQ(row, expected);

    ServerStructure plain;
    MergeAnswer(plain, text);
    EXPECT_EQ(plain.Dialect, QueryDialect::Text);
}

TEST(BuildAnswerRecord, NumbersThatAreNotIntegersDropTheAnswer) {
    EXPECT_FALSE(BuildAnswerRecord(Info({{"address", "127.30.0.1:27015"}, {"protocol", "4x"}})));
    EXPECT_FALSE(BuildAnswerRecord(Info({{"address", "127.30.0.1:27015"}, {"password", ""}})));
}

struct BadAddress {
    const char* Name;
    Pairs Answer;
};

void PrintTo(const BadAddress& c, std::ostream* os) {
    *os << c.Name;
}

Pairs NineteenPairsWithTheAddressLast() {
    Pairs pairs;
    for (int i = 0; i < InfoPairCount; ++i)
        pairs.emplace_back("k" + std::to_string(i), "v");
    pairs.emplace_back("address", "127.30.0.1:27015");
    return pairs;
}

const BadAddress BadAddresses[] = {
    {"NoAddressKey", {{"hostname", "x"}, {"protocol", "47"}}},
    {"AddressPastThe18thPair", NineteenPairsWithTheAddressLast()},
    {"Empty", {{"address", ""}}},
    {"EmptyBeforeAGoodOne", {{"address", ""}, {"address", "127.30.0.1:27015"}}},
    {"GoodBeforeABadOne", {{"address", "127.30.0.1:27015"}, {"address", "27016"}}},
    {"NoColon", {{"address", "27016"}}},
    {"NoColonButAnAddress", {{"address", "127.9.4.4"}}},
    {"NothingBeforeTheColon", {{"address", ":27015"}}},
    {"NothingAfterTheColon", {{"address", "127.30.0.1:"}}},
    {"SecondColon", {{"address", "127.30.0.9:27015:x"}}},
    {"PortZero", {{"address", "127.30.0.1:0"}}},
    {"PortTooLarge", {{"address", "127.30.0.1:65536"}}},
    {"LastOctetZero", {{"address", "127.30.0.0:27015"}}},
    {"LastOctet255", {{"address", "127.30.0.255:27015"}}},
    {"OctetTooLarge", {{"address", "127.30.0.256:27015"}}},
    {"ThreeOctets", {{"address", "127.30.1:27015"}}},
    {"FiveOctets", {{"address", "127.30.0.1.1:27015"}}},
    {"HostName", {{"address", "localhost:27015"}}},
    {"Blank", {{"address", " 127.30.0.1:27015"}}},
};

class BuildAnswerRecordBadAddress : public testing::TestWithParam<BadAddress> {};

TEST_P(BuildAnswerRecordBadAddress, DropsTheAnswer) {
    EXPECT_FALSE(BuildAnswerRecord(Info(GetParam().Answer)));
}

INSTANTIATE_TEST_SUITE_P(Values, BuildAnswerRecordBadAddress, testing::ValuesIn(BadAddresses),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
