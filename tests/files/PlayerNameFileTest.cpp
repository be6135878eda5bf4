#include "PlayerNameFile.h"

#include <gtest/gtest.h>

namespace {

// A config.cfg as the game keeps it, LF line ends, a binding mentioning name before the
// name line and one after it.
const std::string Config = "unbindall\n"
                           "bind \"n\" \"name Camper\"\n"
                           "bind \"TAB\" \"+showscores\"\n"
                           "nameplate \"1\"\n"
                           "name \"Player One \"\n"
                           "bind \"m\" \"name Other\"\n"
                           "sensitivity \"3\"\n";

TEST(PlayerNameFileTest, ReadsTheLineWhoseFirstWordIsNameKeepingBlanksInTheQuotes) {
    EXPECT_EQ(ReadPlayerName(Config), "Player One ");
}

TEST(PlayerNameFileTest, RewritesOnlyTheNameLineAndEndsEveryLineWithCrLf) {
    EXPECT_EQ(RewritePlayerName(Config, "Gamer"), "unbindall\r\n"
                                                  "bind \"n\" \"name Camper\"\r\n"
                                                  "bind \"TAB\" \"+showscores\"\r\n"
                                                  "nameplate \"1\"\r\n"
                                                  "name \"Gamer\"\r\n"
                                                  "bind \"m\" \"name Other\"\r\n"
                                                  "sensitivity \"3\"\r\n");
}

TEST(PlayerNameFileTest, AnIndentedNameLineIsFoundAndWrittenBackWithoutIndentation) {
    const std::string config = "\t name\t\"\xCD\xE6\xBC\xD2\" // player\r\nname \"second\"\r\n";
    EXPECT_EQ(ReadPlayerName(config), "\xCD\xE6\xBC\xD2");
    EXPECT_EQ(RewritePlayerName(config, "B}{"), "name \"B}{\"\r\nname \"second\"\r\n");
}

struct ReadCase {
    const char* Name;
    const char* Config;
    const char* PlayerName;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.Name;
}

class ReadPlayerNameTest : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadPlayerNameTest, TakesTheTextBetweenTheFirstTwoQuotesOfTheFirstNameLine) {
    EXPECT_EQ(ReadPlayerName(GetParam().Config), GetParam().PlayerName);
}

INSTANTIATE_TEST_SUITE_P(
    PlayerNameFile, ReadPlayerNameTest,
    testing::Values(ReadCase{"NoNameLine", "bind \"n\" \"name X\"\r\nnamed \"Y\"\r\n", ""},
                    ReadCase{"OneQuoteOnly", "name \"Player\r\nname \"Next\"\r\n", ""},
                    ReadCase{"NoQuotes", "name Player\r\n", ""},
                    ReadCase{"EmptyQuotes", "name \"\"\r\n", ""},
                    ReadCase{"QuoteRightAfterWord", "name\"Player\"\r\n", "Player"},
                    ReadCase{"LoneCrEnds", "x\rname \"Cr\"\rname \"no\"", "Cr"},
                    ReadCase{"EmptyFile", "", ""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(PlayerNameFileTest, AFileWithoutANameLineKeepsItsLinesWithCrLfEnds) {
    EXPECT_EQ(RewritePlayerName("bind \"n\" \"name X\"\nvolume \"0.5\"", "Gamer"),
              "bind \"n\" \"name X\"\r\nvolume \"0.5\"\r\n");
}

// A quote would end the value early and a line break would start a line the game runs as a
// command, so such names are refused rather than altered behind the user's back.
TEST(PlayerNameFileTest, NamesThatWouldBreakTheLineAreRefused) {
    using namespace std::string_literals;
    for (const std::string& name : {""s, "a\"b"s, "a\r\nquit"s, "a\nquit"s, "a\0b"s}) {
        EXPECT_FALSE(PlayerNameAllowed(name));
        EXPECT_EQ(RewritePlayerName(Config, name), std::nullopt);
    }
    EXPECT_TRUE(PlayerNameAllowed("[Clan] name 'x' }{"));
}

} // namespace

// A zero byte ends what the reader sees, not the file: a rewrite must not cut the
// player's configuration after it.
TEST(PlayerNameFileTest, RewriteKeepsTheLinesAfterAZeroByte) {
    const std::string config(
        "bind \"a\" \"+jump\"\nsay x\0y\nname \"Old\"\r\nbind \"b\" \"+duck\"\n", 54);
    EXPECT_EQ(ReadPlayerName(config), "");
    EXPECT_EQ(RewritePlayerName(config, "New"),
              std::string("bind \"a\" \"+jump\"\r\nsay x\0y\r\nname \"Old\"\r\n"
                          "bind \"b\" \"+duck\"\r\n",
                          57));
    const std::string named("name \"Old\"\n\0tail\n", 17);
    EXPECT_EQ(RewritePlayerName(named, "New"), std::string("name \"New\"\r\n\0tail\r\n", 19));
}
