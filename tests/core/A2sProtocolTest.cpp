#include "A2sProtocol.h"

#include "AnswerRecord.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

namespace {

// Builds a reply the way a server writes it: little-endian numbers, zero-ended strings.
struct Wire {
    Bytes Data;
    Wire& Byte(uint8_t b) {
        Data.push_back(b);
        return *this;
    }
    Wire& Int(uint64_t value, int width) {
        for (int i = 0; i < width; ++i)
            Data.push_back(static_cast<uint8_t>(value >> (8 * i)));
        return *this;
    }
    Wire& Str(std::string_view text) {
        Data.insert(Data.end(), text.begin(), text.end());
        Data.push_back(0);
        return *this;
    }
    Wire& Raw(std::string_view text) {
        Data.insert(Data.end(), text.begin(), text.end());
        return *this;
    }
};

Wire Reply(uint8_t type) {
    return Wire{}.Int(0xFFFFFFFF, 4).Byte(type);
}

// An 'I' reply up to and including its version string.
Wire InfoI() {
    return Reply('I')
        .Byte(48)
        .Str("Today's server")
        .Str("de_inferno")
        .Str("cstrike")
        .Str("Counter-Strike")
        .Int(10, 2)
        .Byte(7)
        .Byte(20)
        .Byte(2)
        .Byte('d')
        .Byte('l')
        .Byte(1)
        .Byte(1)
        .Str("1.1.2.7/Stdio");
}

A2sInfo ExpectedI() {
    A2sInfo e;
    e.Kind = 'I';
    e.Protocol = 48;
    e.Name = "Today's server";
    e.Map = "de_inferno";
    e.Folder = "cstrike";
    e.Game = "Counter-Strike";
    e.AppId = 10;
    e.Players = 7;
    e.MaxPlayers = 20;
    e.Bots = 2;
    e.ServerType = 'd';
    e.Os = 'l';
    e.Password = true;
    e.Secure = true;
    e.Version = "1.1.2.7/Stdio";
    return e;
}

Wire InfoM(bool mod) {
    Wire w = Reply('m')
                 .Str("127.0.0.9:27015")
                 .Str("Older server")
                 .Str("cs_office")
                 .Str("cstrike")
                 .Str("Counter-Strike")
                 .Byte(3)
                 .Byte(12)
                 .Byte(47)
                 .Byte('d')
                 .Byte('w')
                 .Byte(0)
                 .Byte(mod ? 1 : 0);
    if (mod)
        w.Str("http://mod").Str("http://dl").Byte(0).Int(1, 4).Int(184000, 4).Byte(0).Byte(1);
    return w.Byte(1).Byte(4);
}

A2sInfo ExpectedM(bool mod) {
    A2sInfo e;
    e.Kind = 'm';
    e.Address = "127.0.0.9:27015";
    e.Name = "Older server";
    e.Map = "cs_office";
    e.Folder = "cstrike";
    e.Game = "Counter-Strike";
    e.Players = 3;
    e.MaxPlayers = 12;
    e.Protocol = 47;
    e.ServerType = 'd';
    e.Os = 'w';
    e.IsMod = mod;
    if (mod) {
        e.ModLink = "http://mod";
        e.ModDownload = "http://dl";
        e.ModVersion = 1;
        e.ModSize = 184000;
        e.ModClientLibrary = 1;
    }
    e.Secure = true;
    e.Bots = 4;
    return e;
}

struct InfoCase {
    std::string Name;
    Bytes Datagram;
    bool Accepted;
    A2sInfo Expected; // when accepted
};

void PrintTo(const InfoCase& c, std::ostream* os) {
    *os << c.Name;
}

// Each extra-data flag alone and all of them together, in their fixed order.
std::vector<InfoCase> InfoCases() {
    std::vector<InfoCase> cases;
    cases.push_back({"i_without_extra_data", InfoI().Data, true, ExpectedI()});
    {
        A2sInfo e = ExpectedI();
        e.ExtraFlags = 0x80;
        e.GamePort = 27016;
        cases.push_back({"extra_game_port", InfoI().Byte(0x80).Int(27016, 2).Data, true, e});
    }
    {
        A2sInfo e = ExpectedI();
        e.ExtraFlags = 0x10;
        e.ServerId = 0x0123456789ABCDEFull;
        cases.push_back(
            {"extra_server_id", InfoI().Byte(0x10).Int(0x0123456789ABCDEFull, 8).Data, true, e});
    }
    {
        A2sInfo e = ExpectedI();
        e.ExtraFlags = 0x40;
        e.SpectatorPort = 27020;
        e.SpectatorName = "HLTV";
        cases.push_back(
            {"extra_spectator", InfoI().Byte(0x40).Int(27020, 2).Str("HLTV").Data, true, e});
    }
    {
        A2sInfo e = ExpectedI();
        e.ExtraFlags = 0x20;
        e.Keywords = "secure,dust";
        cases.push_back({"extra_keywords", InfoI().Byte(0x20).Str("secure,dust").Data, true, e});
    }
    {
        A2sInfo e = ExpectedI();
        e.ExtraFlags = 0x01;
        e.GameId = 10;
        cases.push_back({"extra_game_id", InfoI().Byte(0x01).Int(10, 8).Data, true, e});
    }
    A2sInfo all = ExpectedI();
    all.ExtraFlags = 0xF1;
    all.GamePort = 27015;
    all.ServerId = 77;
    all.SpectatorPort = 27020;
    all.SpectatorName = "tv";
    all.Keywords = "k";
    all.GameId = 10;
    const Wire allWire =
        InfoI().Byte(0xF1).Int(27015, 2).Int(77, 8).Int(27020, 2).Str("tv").Str("k").Int(10, 8);
    cases.push_back({"extra_all_combined", allWire.Data, true, all});
    {
        // The game id is cut short: everything before it is kept, it is not made up.
        A2sInfo e = all;
        e.GameId.reset();
        Bytes cut = allWire.Data;
        cut.resize(cut.size() - 3);
        cases.push_back({"extra_cut_in_last_field", cut, true, e});
    }
    {
        A2sInfo e = all;
        e.SpectatorPort.reset();
        e.SpectatorName.clear();
        e.Keywords.reset();
        e.GameId.reset();
        // The keywords string lacks its zero: the spectator name would run into it.
        Wire w = InfoI().Byte(0xF1).Int(27015, 2).Int(77, 8).Int(27020, 2).Raw("tv");
        cases.push_back({"extra_string_without_zero", w.Data, true, e});
    }
    {
        Bytes cut = InfoI().Data;
        cut.pop_back(); // the version string's zero
        cases.push_back({"version_without_zero", cut, false, {}});
    }
    {
        Bytes cut = InfoI().Data;
        cut.resize(5 + 1 + 15 + 3); // inside the map name
        cases.push_back({"cut_inside_map", cut, false, {}});
    }
    cases.push_back({"type_byte_only", Reply('I').Data, false, {}});
    cases.push_back({"m_without_mod", InfoM(false).Data, true, ExpectedM(false)});
    cases.push_back({"m_with_mod", InfoM(true).Data, true, ExpectedM(true)});
    {
        // Servers that end 'm' before the VAC and bots bytes: they are not told.
        A2sInfo e = ExpectedM(false);
        e.Secure = false;
        e.Bots = 0;
        Bytes cut = InfoM(false).Data;
        cut.resize(cut.size() - 2);
        cases.push_back({"m_without_vac_and_bots", cut, true, e});
    }
    {
        Bytes cut = InfoM(true).Data;
        cut.resize(cut.size() - 5); // inside the mod block's numbers
        cases.push_back({"m_cut_inside_mod_block", cut, false, {}});
    }
    cases.push_back({"challenge_is_not_info", Reply('A').Int(0x01020304, 4).Data, false, {}});
    cases.push_back(
        {"split_header_is_not_info", Wire{}.Int(0xFFFFFFFE, 4).Byte('I').Data, false, {}});
    cases.push_back(
        {"text_answer_is_not_info",
         Wire{}.Int(0xFFFFFFFF, 4).Raw("infostringresponse").Byte(0).Raw("\\protocol\\47").Data,
         false,
         {}});
    cases.push_back({"empty", {}, false, {}});
    return cases;
}

class A2sInfoReader : public testing::TestWithParam<InfoCase> {};

TEST_P(A2sInfoReader, ReadsWhatIsWholeAndNothingElse) {
    const InfoCase& c = GetParam();
    A2sInfo info;
    info.Name = "untouched";
    const A2sInfo before = info;
    EXPECT_EQ(ParseA2sInfo(c.Datagram, info), c.Accepted);
    if (c.Accepted)
        EXPECT_EQ(info, c.Expected);
    else
        EXPECT_EQ(info, before);
}

INSTANTIATE_TEST_SUITE_P(Table, A2sInfoReader, testing::ValuesIn(InfoCases()),
                         [](const auto& info) { return info.param.Name; });

TEST(A2sRequests, AreExactlyTheBytesServersTake) {
    const Bytes info = A2sInfoRequest();
    ASSERT_EQ(info.size(), 25u);
    EXPECT_EQ(info, Reply('T').Str("Source Engine Query").Data);
    const A2sChallenge c{0x11, 0x22, 0x33, 0x44};
    const Bytes withChallenge = A2sInfoRequest(c);
    ASSERT_EQ(withChallenge.size(), 29u);
    EXPECT_EQ(withChallenge, Reply('T').Str("Source Engine Query").Int(0x44332211, 4).Data);
    EXPECT_EQ(A2sPlayersRequest(), Reply('U').Int(0xFFFFFFFF, 4).Data);
    EXPECT_EQ(A2sRulesRequest(), Reply('V').Int(0xFFFFFFFF, 4).Data);
    EXPECT_EQ(A2sPlayersRequest(c), Reply('U').Int(0x44332211, 4).Data);
    EXPECT_EQ(A2sRulesRequest(c), Reply('V').Int(0x44332211, 4).Data);
}

TEST(A2sChallengeReply, GivesItsFourBytesAndRefusesAnythingShort) {
    EXPECT_EQ(ParseA2sChallenge(Reply('A').Int(0xDDCCBBAA, 4).Data),
              (A2sChallenge{0xAA, 0xBB, 0xCC, 0xDD}));
    EXPECT_FALSE(ParseA2sChallenge(Reply('A').Int(0xBBAA, 3).Data));
    EXPECT_FALSE(ParseA2sChallenge(Reply('I').Int(0xDDCCBBAA, 4).Data));
    EXPECT_FALSE(ParseA2sChallenge(Wire{}.Int(0xFFFFFFFE, 4).Byte('A').Int(1, 4).Data));
}

TEST(A2sAnswerTest, CountsEveryInfoAnswerOfBothDialectsAndNothingElse) {
    EXPECT_TRUE(LooksLikeAnyInfoAnswer(InfoI().Data));
    EXPECT_TRUE(LooksLikeAnyInfoAnswer(InfoM(false).Data));
    EXPECT_TRUE(LooksLikeAnyInfoAnswer(Reply('A').Int(1, 4).Data));
    EXPECT_TRUE(
        LooksLikeAnyInfoAnswer(Wire{}.Int(0xFFFFFFFF, 4).Raw("infostringresponse").Byte(0).Data));
    EXPECT_FALSE(LooksLikeAnyInfoAnswer(Reply('D').Byte(0).Data));
    EXPECT_FALSE(LooksLikeAnyInfoAnswer(Reply('E').Int(0, 2).Data));
    EXPECT_FALSE(LooksLikeAnyInfoAnswer(Wire{}.Int(0xFFFFFFFE, 4).Byte('I').Data));
    EXPECT_FALSE(LooksLikeAnyInfoAnswer(Wire{}.Int(0xFFFFFFFF, 4).Data));
}

TEST(A2sInfoPairs, BuildTheSameRowAsATextAnswerAtTheSendersAddress) {
    A2sInfo info;
    ASSERT_TRUE(ParseA2sInfo(InfoI().Byte(0x80).Int(27016, 2).Data, info));
    const ServerInfoStructure pairs = A2sInfoPairs(info, "127.40.0.3", 27015);
    EXPECT_EQ(InfoValue(pairs, "address"), "127.40.0.3:27015");
    EXPECT_EQ(InfoValue(pairs, "gameport"), "27016");
    EXPECT_EQ(InfoValue(pairs, "version"), "1.1.2.7/Stdio");
    const auto row = BuildAnswerRecord(pairs, QueryDialect::Binary);
    ASSERT_TRUE(row);
    ServerStructure expected;
    expected.Name = "Today's server";
    expected.IP = "127.40.0.3";
    expected.Port = "27015";
    expected.Map = "de_inferno";
    expected.Players = "7";
    expected.MaxPlayers = "20";
    expected.Protocol = "47"; // protocol 48 is Counter-Strike 1.6
    expected.Password = "1";
    expected.Alive = true;
    expected.Answered = true;
    expected.Dialect = QueryDialect::Binary;
    expected.GameFolder = "cstrike";
    expected.Bots = "2";
    expected.Version = "1.1.2.7/Stdio";
    expected.Os = 'l';
    expected.Secure = 1;
    EXPECT_EQ(*row, expected);

    // 'm' names an address of its own; the row is still the sender, so a server sending
    // 'm' and 'I' to one request is one row.
    A2sInfo old;
    ASSERT_TRUE(ParseA2sInfo(InfoM(false).Data, old));
    const auto oldRow =
        BuildAnswerRecord(A2sInfoPairs(old, "127.40.0.3", 27015), QueryDialect::Binary);
    ASSERT_TRUE(oldRow);
    EXPECT_EQ(oldRow->IP, "127.40.0.3");
    EXPECT_EQ(oldRow->Port, "27015");
    EXPECT_EQ(oldRow->Protocol, "47");
    EXPECT_EQ(oldRow->Version, "");
}

// Players: index, name, int32 score, float32 time each.
Wire Player(uint8_t index, std::string_view name, int32_t score) {
    return Wire{}.Byte(index).Str(name).Int(static_cast<uint32_t>(score), 4).Int(0x42700000, 4);
}

Wire Players(uint8_t count, std::initializer_list<Wire> players) {
    Wire w = Reply('D').Byte(count);
    for (const Wire& p : players)
        w.Data.insert(w.Data.end(), p.Data.begin(), p.Data.end());
    return w;
}

struct PlayersCase {
    std::string Name;
    Bytes Datagram;
    std::vector<std::pair<std::string, std::string>> Expected; // name, frags
};

void PrintTo(const PlayersCase& c, std::ostream* os) {
    *os << c.Name;
}

std::vector<PlayersCase> PlayersCases() {
    const Wire a = Player(0, "alpha", 5), b = Player(0, "", -2), c = Player(0, "gamma\tclan", 9);
    Bytes cut = Players(3, {a, b, c}).Data;
    cut.resize(cut.size() - 2);
    Bytes nameOpen = Players(2, {a}).Raw("beta").Data;
    return {
        {"index_zero_for_all_and_connecting_player",
         Players(3, {a, b, c}).Data,
         {{"alpha", "5"}, {"", "-2"}, {"gamma", "9"}}},
        {"count_above_the_data_keeps_what_was_read",
         Players(5, {a, b}).Data,
         {{"alpha", "5"}, {"", "-2"}}},
        {"count_below_the_data_takes_no_more", Players(1, {a, b, c}).Data, {{"alpha", "5"}}},
        {"last_entry_cut_short", cut, {{"alpha", "5"}, {"", "-2"}}},
        {"name_without_zero", nameOpen, {{"alpha", "5"}}},
        {"no_count_byte", Reply('D').Data, {}},
    };
}

class A2sPlayersReader : public testing::TestWithParam<PlayersCase> {};

TEST_P(A2sPlayersReader, KeepsWholeEntriesUpToTheCount) {
    const PlayersCase& c = GetParam();
    PlayersInfoStructure players;
    int count = -1;
    ASSERT_TRUE(ParseA2sPlayers(c.Datagram, players, count));
    ASSERT_EQ(count, static_cast<int>(c.Expected.size()));
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(players.Numbers[i], std::to_string(i + 1));
        EXPECT_EQ(players.Names[i], c.Expected[i].first) << i;
        EXPECT_EQ(players.Frags[i], c.Expected[i].second) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, A2sPlayersReader, testing::ValuesIn(PlayersCases()),
                         [](const auto& info) { return info.param.Name; });

TEST(A2sPlayersReader, RefusesOtherRepliesAndKeepsAtMostTheRecordsRoom) {
    PlayersInfoStructure players;
    int count = -1;
    EXPECT_FALSE(ParseA2sPlayers(Reply('E').Int(0, 2).Data, players, count));
    EXPECT_FALSE(ParseA2sPlayers(Bytes{}, players, count));
    EXPECT_EQ(count, -1);
    Wire many = Reply('D').Byte(40);
    for (int i = 0; i < 40; ++i) {
        const Bytes entry = Player(0, "p" + std::to_string(i), i).Data;
        many.Data.insert(many.Data.end(), entry.begin(), entry.end());
    }
    ASSERT_TRUE(ParseA2sPlayers(many.Data, players, count));
    EXPECT_EQ(count, MaxPlayersInfo);
    EXPECT_EQ(players.Names[MaxPlayersInfo - 1], "p31");
}

struct RulesCase {
    std::string Name;
    Bytes Datagram;
    std::vector<std::pair<std::string, std::string>> Expected;
};

void PrintTo(const RulesCase& c, std::ostream* os) {
    *os << c.Name;
}

std::vector<RulesCase> RulesCases() {
    auto rules = [](uint16_t count, std::initializer_list<std::string_view> fields) {
        Wire w = Reply('E').Int(count, 2);
        for (std::string_view f : fields)
            w.Str(f);
        return w.Data;
    };
    Bytes valueOpen = rules(2, {"mp_timelimit", "30", "sv_gravity"});
    valueOpen.insert(valueOpen.end(), {'8', '0'});
    return {
        {"short_reply_is_read_whole",
         rules(2, {"mp_timelimit", "30", "sv_gravity", "800"}),
         {{"mp_timelimit", "30"}, {"sv_gravity", "800"}}},
        {"count_above_the_data", rules(9, {"a", "1"}), {{"a", "1"}}},
        {"count_below_the_data", rules(1, {"a", "1", "b", "2"}), {{"a", "1"}}},
        {"name_without_value", rules(2, {"a", "1", "b"}), {{"a", "1"}}},
        {"value_without_zero", valueOpen, {{"mp_timelimit", "30"}}},
        {"tab_cuts_what_shows", rules(1, {"hostname\tx", "v\ty"}), {{"hostname", "v"}}},
        {"count_cut_short", Reply('E').Byte(1).Data, {}},
    };
}

class A2sRulesReader : public testing::TestWithParam<RulesCase> {};

TEST_P(A2sRulesReader, KeepsWholePairsUpToTheCount) {
    const RulesCase& c = GetParam();
    RulesInfoStructure rules;
    int count = -1;
    ASSERT_TRUE(ParseA2sRules(c.Datagram, rules, count));
    ASSERT_EQ(count, static_cast<int>(c.Expected.size()));
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(rules.Names[i], c.Expected[i].first) << i;
        EXPECT_EQ(rules.Values[i], c.Expected[i].second) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, A2sRulesReader, testing::ValuesIn(RulesCases()),
                         [](const auto& info) { return info.param.Name; });

TEST(A2sRulesReader, RefusesOtherRepliesAndKeepsAtMostTheRecordsRoom) {
    RulesInfoStructure rules;
    int count = -1;
    EXPECT_FALSE(ParseA2sRules(Reply('D').Byte(0).Data, rules, count));
    EXPECT_EQ(count, -1);
    Wire many = Reply('E').Int(200, 2);
    for (int i = 0; i < 200; ++i)
        many.Str("r" + std::to_string(i)).Str(std::to_string(i));
    ASSERT_TRUE(ParseA2sRules(many.Data, rules, count));
    EXPECT_EQ(count, MaxRulesInfo);
    EXPECT_EQ(rules.Names[MaxRulesInfo - 1], "r127");
}

} // namespace
