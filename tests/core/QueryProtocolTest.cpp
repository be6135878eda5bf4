#include "QueryProtocol.h"

#include "Gbk.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>

namespace {

Bytes B(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// A datagram as it arrives: header, zero byte, infostring.
Bytes InfoDatagram(std::string_view infostring, bool closingZero = true) {
    Bytes d = B(std::string_view("\xFF\xFF\xFF\xFFinfostringresponse\0", 23));
    d.insert(d.end(), infostring.begin(), infostring.end());
    if (closingZero)
        d.push_back(0);
    return d;
}

bool ParseInfo(Bytes d, ServerInfoStructure& info) {
    MarkInfoHeader(d);
    return ParseInfoAnswer(d, info);
}

TEST(Requests, AreTheEngineDatagramsWithTheirZeroByte) {
    EXPECT_EQ(InfoRequest(), B(std::string_view("\xFF\xFF\xFF\xFFinfostring\n\0", 16)));
    EXPECT_EQ(PlayersRequest(), B(std::string_view("\xFF\xFF\xFF\xFFplayers\0", 12)));
    EXPECT_EQ(RulesRequest(), B(std::string_view("\xFF\xFF\xFF\xFFrules\0", 10)));
}

TEST(ParseInfoAnswer, FillsPairsInOrderAndClearsTheRest) {
    ServerInfoStructure info;
    info.Keys[5] = "stale";
    ASSERT_TRUE(ParseInfo(InfoDatagram("\\hostname\\A b\\map\\de_dust2\\players\\3"), info));
    EXPECT_EQ(info.Keys[0], "hostname");
    EXPECT_EQ(info.Values[0], "A b");
    EXPECT_EQ(info.Keys[2], "players");
    EXPECT_EQ(info.Values[2], "3"); // the last value runs to the zero byte
    for (int i = 3; i < InfoPairCount; ++i)
        EXPECT_TRUE(info.Keys[i].empty() && info.Values[i].empty()) << i;
    EXPECT_EQ(InfoValue(info, "map"), "de_dust2");
    EXPECT_EQ(InfoValue(info, "none"), "");
}

TEST(ParseInfoAnswer, TakesEighteenPairsAndIgnoresTheRest) {
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += "\\k" + std::to_string(i) + "\\v" + std::to_string(i);
    ServerInfoStructure info;
    ASSERT_TRUE(ParseInfo(InfoDatagram(text, false), info)); // runs to the datagram end
    EXPECT_EQ(info.Keys[17], "k17");
    EXPECT_EQ(info.Values[17], "v17");
}

TEST(ParseInfoAnswer, NeverReadsPastTheDatagram) {
    // A longer earlier answer left its tail in the shared buffer; the parser gets only
    // the current datagram's bytes.
    Bytes buffer = InfoDatagram("\\hostname\\short", false);
    const size_t length = buffer.size();
    const std::string tail = "TAIL\\map\\x";
    buffer.insert(buffer.end(), tail.begin(), tail.end());
    MarkInfoHeader(buffer);
    ServerInfoStructure info;
    ASSERT_TRUE(ParseInfoAnswer(std::span(buffer.data(), length), info));
    EXPECT_EQ(info.Values[0], "short");
    EXPECT_TRUE(info.Keys[1].empty());
}

TEST(ParseInfoAnswer, RejectsOtherDatagramsAndKeepsTheRecord) {
    ServerInfoStructure info;
    info.Keys[0] = "kept";
    Bytes players = B(std::string_view("\xFF\xFF\xFF\xFF"
                                       "D\x01\x01name\0\0\0\0\0\0\0\0\0",
                                       19));
    Bytes unmarked = InfoDatagram("\\hostname\\x"); // zero byte at 22 ends the text early
    const Bytes cases[] = {{}, B("\xFF\xFF"), players, B("\xFF\xFF\xFF\xFFinfostringrespons")};
    for (const auto& d : cases)
        EXPECT_FALSE(ParseInfo(d, info));
    EXPECT_TRUE(ParseInfoAnswer(unmarked, info)); // header intact, empty infostring
    EXPECT_TRUE(info.Keys[0].empty());
}

Bytes PlayersDatagram(std::initializer_list<std::pair<std::string_view, int32_t>> players) {
    Bytes d = B("\xFF\xFF\xFF\xFF"
                "D");
    d.push_back(static_cast<uint8_t>(players.size()));
    uint8_t index = 0;
    for (const auto& [name, frags] : players) {
        d.push_back(index++);
        d.insert(d.end(), name.begin(), name.end());
        d.push_back(0);
        for (int i = 0; i < 4; ++i)
            d.push_back(static_cast<uint8_t>(static_cast<uint32_t>(frags) >> (8 * i)));
        d.insert(d.end(), {0, 0, 0x80, 0x3F}); // connection time
    }
    return d;
}

using Player = std::array<std::string, 3>; // number, name, frags

struct PlayersCase {
    const char* Name;
    Bytes Datagram;
    std::vector<Player> Expected;
};

void PrintTo(const PlayersCase& c, std::ostream* os) {
    *os << c.Name;
}

class PlayersTable : public testing::TestWithParam<PlayersCase> {};

TEST_P(PlayersTable, ReadsEveryPlayerWhole) {
    const PlayersCase& c = GetParam();
    PlayersInfoStructure players;
    int count = -1;
    ASSERT_TRUE(ParsePlayersAnswer(c.Datagram, DetailPlayers, players, count));
    std::vector<Player> parsed;
    for (int i = 0; i < count; ++i)
        parsed.push_back({players.Numbers[i], players.Names[i], players.Frags[i]});
    EXPECT_EQ(parsed, c.Expected);
}

Bytes CutAfter(Bytes d, size_t drop) {
    d.resize(d.size() - drop);
    return d;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlayersTable,
    testing::Values(
        PlayersCase{"FragsAreTheWholeSigned32BitCount",
                    PlayersDatagram({{"nine", 9},
                                     {"minus", -1},
                                     {"big", 300},
                                     {"low", -300},
                                     {"top", INT32_MAX},
                                     {"bottom", INT32_MIN}}),
                    {{"1", "nine", "9"},
                     {"2", "minus", "-1"},
                     {"3", "big", "300"},
                     {"4", "low", "-300"},
                     {"5", "top", "2147483647"},
                     {"6", "bottom", "-2147483648"}}},
        // Frag bytes that are tab and zero bytes are read as the count, not as text.
        PlayersCase{"FragBytesThatLookLikeTerminators",
                    PlayersDatagram({{"a", 0x00090009}, {"b", 0x09000900}}),
                    {{"1", "a", "589833"}, {"2", "b", "150997248"}}},
        // The tab cuts what the name shows; the parse goes on from the name's zero byte.
        PlayersCase{
            "TabInANameCutsOnlyWhatItShows",
            PlayersDatagram({{"Alice", 5}, {"Bob\tTabbed", 12}, {"Carol", 0}, {G("中文名"), -2}}),
            {{"1", "Alice", "5"},
             {"2", "Bob", "12"},
             {"3", "Carol", "0"},
             {"4", G("中文名"), "-2"}}},
        PlayersCase{"NameOfOnlyATab",
                    PlayersDatagram({{"\t", 3}, {"x", 4}}),
                    {{"1", "", "3"}, {"2", "x", "4"}}},
        // A frag count cut short by the datagram's end is not made up from what is left.
        PlayersCase{"TruncatedFragCountReadsZero",
                    CutAfter(PlayersDatagram({{"cut", 300}}), 6),
                    {{"1", "cut", "0"}}}),
    [](const testing::TestParamInfo<PlayersCase>& info) { return info.param.Name; });

TEST(ParsePlayersAnswer, AcceptsAnEmptyListAndRejectsWrongStateOrHeader) {
    PlayersInfoStructure players;
    int count = -1;
    EXPECT_TRUE(ParsePlayersAnswer(PlayersDatagram({}), DetailPlayers, players, count));
    EXPECT_EQ(count, 0);
    count = 5;
    EXPECT_FALSE(ParsePlayersAnswer(PlayersDatagram({{"x", 1}}), DetailRules, players, count));
    EXPECT_FALSE(ParsePlayersAnswer(B("\xFF\xFF\xFF\xFF"
                                      "E\x00"),
                                    DetailPlayers, players, count));
    EXPECT_FALSE(ParsePlayersAnswer(B("\xFF\xFF"), DetailPlayers, players, count));
    EXPECT_EQ(count, 5);
}

TEST(ParsePlayersAnswer, StopsAtThirtyTwoPlayers) {
    Bytes d = B("\xFF\xFF\xFF\xFF"
                "D\x28");
    for (int i = 0; i < 40; ++i)
        d.insert(d.end(), {static_cast<uint8_t>(i), 'p', 0, 1, 0, 0, 0, 0, 0, 0, 0});
    PlayersInfoStructure players;
    int count = 0;
    ASSERT_TRUE(ParsePlayersAnswer(d, DetailPlayers, players, count));
    EXPECT_EQ(count, 32);
}

Bytes RulesDatagram(size_t minimumLength, bool terminateLast) {
    Bytes d = B("\xFF\xFF\xFF\xFF"
                "E");
    d.insert(d.end(), {0, 0});
    int i = 0;
    while (d.size() < minimumLength) {
        const std::string pair = "sv_rule" + std::to_string(i++) + std::string(1, '\0') + "1";
        d.insert(d.end(), pair.begin(), pair.end());
        d.push_back(0);
    }
    const std::string last = std::string("last") + '\0' + "value";
    d.insert(d.end(), last.begin(), last.end());
    if (terminateLast)
        d.push_back(0);
    return d;
}

TEST(ParseRulesAnswer, NeedsStateThreeAndFiveHundredTwelveBytes) {
    RulesInfoStructure rules;
    int count = -1;
    Bytes d = RulesDatagram(400, true);
    d.resize(511, 0);
    EXPECT_FALSE(ParseRulesAnswer(d, DetailRules, rules, count));
    d.push_back(0);
    EXPECT_TRUE(ParseRulesAnswer(d, DetailRules, rules, count));
    EXPECT_FALSE(ParseRulesAnswer(d, DetailPlayers, rules, count));
}

TEST(ParseRulesAnswer, TakesPairsAndAnUnterminatedLastValue) {
    RulesInfoStructure rules;
    int count = 0;
    const Bytes d = RulesDatagram(520, false);
    ASSERT_TRUE(ParseRulesAnswer(d, DetailRules, rules, count));
    ASSERT_GT(count, 1);
    EXPECT_EQ(rules.Names[0], "sv_rule0");
    EXPECT_EQ(rules.Values[0], "1");
    EXPECT_EQ(rules.Names[count - 1], "last");
    EXPECT_EQ(rules.Values[count - 1], "value");
}

TEST(ParseRulesAnswer, CutsAtOneHundredTwentyEightRulesAndPairsALastName) {
    RulesInfoStructure rules;
    int count = 0;
    ASSERT_TRUE(ParseRulesAnswer(RulesDatagram(3000, true), DetailRules, rules, count));
    EXPECT_EQ(count, 128);

    // A name that is the datagram's last field gets an empty value.
    Bytes d = RulesDatagram(520, true);
    const std::string lonely = "lonely";
    d.insert(d.end(), lonely.begin(), lonely.end());
    ASSERT_TRUE(ParseRulesAnswer(d, DetailRules, rules, count));
    EXPECT_EQ(rules.Names[count - 2], "last");
    EXPECT_EQ(rules.Values[count - 2], "value");
    EXPECT_EQ(rules.Names[count - 1], "lonely");
    EXPECT_EQ(rules.Values[count - 1], "");
}

using Rule = std::pair<std::string, std::string>;

// A rules answer of exactly these pairs, the last one padded so the answer reaches 512 bytes.
Bytes RulesOf(std::vector<Rule> pairs) {
    Bytes d = B("\xFF\xFF\xFF\xFF"
                "E");
    d.insert(d.end(), {static_cast<uint8_t>(pairs.size()), 0});
    for (const auto& [name, value] : pairs) {
        d.insert(d.end(), name.begin(), name.end());
        d.push_back(0);
        d.insert(d.end(), value.begin(), value.end());
        d.push_back(0);
    }
    return d;
}

struct RulesCase {
    const char* Name;
    std::vector<Rule> Sent;
    std::vector<Rule> Expected;
};

void PrintTo(const RulesCase& c, std::ostream* os) {
    *os << c.Name;
}

class RulesTable : public testing::TestWithParam<RulesCase> {};

TEST_P(RulesTable, KeepsNamesAndValuesInStep) {
    const RulesCase& c = GetParam();
    const Rule pad{"sv_pad", std::string(512, 'x')};
    std::vector<Rule> sent = c.Sent, expected = c.Expected;
    sent.push_back(pad);
    expected.push_back(pad);
    RulesInfoStructure rules;
    int count = -1;
    ASSERT_TRUE(ParseRulesAnswer(RulesOf(sent), DetailRules, rules, count));
    std::vector<Rule> parsed;
    for (int i = 0; i < count; ++i)
        parsed.emplace_back(rules.Names[i], rules.Values[i]);
    EXPECT_EQ(parsed, expected);
}

// Like player names, rule texts show what comes before a tab; the pairs never shift.
INSTANTIATE_TEST_SUITE_P(
    Cases, RulesTable,
    testing::Values(
        RulesCase{"PlainPairs",
                  {{"mp_timelimit", "30"}, {"sv_contact", ""}},
                  {{"mp_timelimit", "30"}, {"sv_contact", ""}}},
        RulesCase{"TabInAValue",
                  {{"sv_contact", "mail\there"}, {"mp_timelimit", "30"}, {"hostname", "A\tB"}},
                  {{"sv_contact", "mail"}, {"mp_timelimit", "30"}, {"hostname", "A"}}},
        RulesCase{"TabInAName", {{"odd\tname", "1"}, {"next", "2"}}, {{"odd", "1"}, {"next", "2"}}},
        RulesCase{
            "ValueOfOnlyATab", {{"empty", "\t"}, {"after", "3"}}, {{"empty", ""}, {"after", "3"}}}),
    [](const testing::TestParamInfo<RulesCase>& info) { return info.param.Name; });

// An empty datagram may come with a null data pointer; no parser may touch it.
TEST(Parsers, RejectEmptyAndShortDatagrams) {
    ServerInfoStructure info;
    PlayersInfoStructure players;
    RulesInfoStructure rules;
    int count = 7;
    const Bytes shortOnes[] = {{},
                               B("\xFF\xFF\xFF\xFF"),
                               B("\xFF\xFF\xFF\xFF"
                                 "D"),
                               B("\xFF\xFF\xFF\xFF"
                                 "E")};
    EXPECT_FALSE(ParseInfoAnswer(std::span<const uint8_t>(), info));
    EXPECT_FALSE(ParsePlayersAnswer(std::span<const uint8_t>(), DetailPlayers, players, count));
    EXPECT_FALSE(ParseRulesAnswer(std::span<const uint8_t>(), DetailRules, rules, count));
    for (const Bytes& d : shortOnes) {
        EXPECT_FALSE(ParseInfoAnswer(d, info));
        EXPECT_FALSE(ParseRulesAnswer(d, DetailRules, rules, count));
    }
    EXPECT_EQ(count, 7);
}

} // namespace
