#include "QueryProtocol.h"

#include <gtest/gtest.h>

namespace {

Bytes B(std::string_view text) { return Bytes(text.begin(), text.end()); }

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
    Bytes players = B(std::string_view("\xFF\xFF\xFF\xFF" "D\x01\x01name\0\0\0\0\0\0\0\0\0", 19));
    Bytes unmarked = InfoDatagram("\\hostname\\x"); // zero byte at 22 ends the text early
    const Bytes cases[] = {{}, B("\xFF\xFF"), players, B("\xFF\xFF\xFF\xFFinfostringrespons")};
    for (const auto& d : cases)
        EXPECT_FALSE(ParseInfo(d, info));
    EXPECT_TRUE(ParseInfoAnswer(unmarked, info)); // header intact, empty infostring
    EXPECT_TRUE(info.Keys[0].empty());
}

Bytes PlayersDatagram(std::initializer_list<std::pair<std::string_view, int32_t>> players) {
    Bytes d = B("\xFF\xFF\xFF\xFF" "D");
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

TEST(ParsePlayersAnswer, ReadsNamesAndTheFirstFragByteSigned) {
    PlayersInfoStructure players;
    int count = -1;
    const Bytes d = PlayersDatagram({{"nine", 9}, {"minus", -1}, {"big", 300}});
    ASSERT_TRUE(ParsePlayersAnswer(d, DetailPlayers, players, count));
    ASSERT_EQ(count, 3);
    EXPECT_EQ(players.Numbers[0], "1");
    EXPECT_EQ(players.Names[0], "nine");
    EXPECT_EQ(players.Frags[0], "9");
    EXPECT_EQ(players.Frags[1], "-1");
    EXPECT_EQ(players.Frags[2], "44");
    EXPECT_EQ(players.Numbers[2], "3");

    // A tab ends a name; the bytes after it are then read as the frag count and beyond.
    ASSERT_TRUE(ParsePlayersAnswer(PlayersDatagram({{"a\tb", 7}}), DetailPlayers, players, count));
    EXPECT_EQ(players.Names[0], "a");
    EXPECT_EQ(players.Frags[0], "98");
}

TEST(ParsePlayersAnswer, AcceptsAnEmptyListAndRejectsWrongStateOrHeader) {
    PlayersInfoStructure players;
    int count = -1;
    EXPECT_TRUE(ParsePlayersAnswer(PlayersDatagram({}), DetailPlayers, players, count));
    EXPECT_EQ(count, 0);
    count = 5;
    EXPECT_FALSE(ParsePlayersAnswer(PlayersDatagram({{"x", 1}}), DetailRules, players, count));
    EXPECT_FALSE(ParsePlayersAnswer(B("\xFF\xFF\xFF\xFF" "E\x00"), DetailPlayers, players, count));
    EXPECT_FALSE(ParsePlayersAnswer(B("\xFF\xFF"), DetailPlayers, players, count));
    EXPECT_EQ(count, 5);
}

TEST(ParsePlayersAnswer, StopsAtThirtyTwoPlayers) {
    Bytes d = B("\xFF\xFF\xFF\xFF" "D\x28");
    for (int i = 0; i < 40; ++i)
        d.insert(d.end(), {static_cast<uint8_t>(i), 'p', 0, 1, 0, 0, 0, 0, 0, 0, 0});
    PlayersInfoStructure players;
    int count = 0;
    ASSERT_TRUE(ParsePlayersAnswer(d, DetailPlayers, players, count));
    EXPECT_EQ(count, 32);
}

Bytes RulesDatagram(size_t minimumLength, bool terminateLast) {
    Bytes d = B("\xFF\xFF\xFF\xFF" "E");
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

TEST(ParseRulesAnswer, CutsAtOneHundredTwentyEightRulesAndSplitsAtTabs) {
    RulesInfoStructure rules;
    int count = 0;
    ASSERT_TRUE(ParseRulesAnswer(RulesDatagram(3000, true), DetailRules, rules, count));
    EXPECT_EQ(count, 128);

    Bytes d = B("\xFF\xFF\xFF\xFF" "E\x01");
    d.push_back(0);
    const std::string body = std::string("a\tb") + '\0' + "lonely";
    d.insert(d.end(), body.begin(), body.end());
    d.resize(600, 0); // zero padding: empty fields pair up as empty rules
    ASSERT_TRUE(ParseRulesAnswer(d, DetailRules, rules, count));
    EXPECT_EQ(rules.Names[0], "a");
    EXPECT_EQ(rules.Values[0], "b");
    EXPECT_EQ(rules.Names[1], "lonely");
    EXPECT_EQ(rules.Values[1], "");
}

} // namespace
