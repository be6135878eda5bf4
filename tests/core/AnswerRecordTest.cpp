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
    EXPECT_EQ(*row, expected);
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
