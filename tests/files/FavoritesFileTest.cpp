#include "FavoritesFile.h"
#include "TestRow.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

ServerStructure Row(std::string ip, std::string port, std::string protocol, std::string name = {},
                    std::string map = {}, std::string players = {}, std::string maxPlayers = {}) {
    return TestRow(std::move(ip), std::move(port))
        .Protocol(std::move(protocol))
        .Name(std::move(name))
        .Map(std::move(map))
        .Counts(std::move(players), std::move(maxPlayers));
}

// What the reader makes of a block: address, port and tag, every other field empty.
ServerStructure ReadRow(std::string ip, std::string port, std::string tag) {
    return Row(std::move(ip), std::move(port), std::move(tag));
}

TEST(FavoritesFileTest, WritesTheBlocksOfOneTagByteForByte) {
    const std::vector<ServerStructure> favorites = {
        Row("192.0.2.10", "27015", "46", "\xC5\xF3\xD3\xD1 Clan", "de_dust2", "12", "20"),
        Row("192.0.2.11", "27016", "47", "Other version", "cs_office", "1", "32"),
        Row("127.30.0.12", "7015", "46"), // never answered: name is the address, counts 0
    };
    EXPECT_EQ(FavoritesFileBytes(favorites, "46"), "{\r\n"
                                                   "server\r\n"
                                                   "{\r\n"
                                                   "\"address\" \"192.0.2.10\"\r\n"
                                                   "\"port\" \"27015\"\r\n"
                                                   "\"name\" \"\xC5\xF3\xD3\xD1 Clan\"\r\n"
                                                   "\"map\" \"de_dust2\"\r\n"
                                                   "\"maxplayers\" \"20\"\r\n"
                                                   "\"currentplayers\" \"12\"\r\n"
                                                   "}\r\n"
                                                   "server\r\n"
                                                   "{\r\n"
                                                   "\"address\" \"127.30.0.12\"\r\n"
                                                   "\"port\" \"7015\"\r\n"
                                                   "\"name\" \"127.30.0.12\"\r\n"
                                                   "\"map\" \"\"\r\n"
                                                   "\"maxplayers\" \"0\"\r\n"
                                                   "\"currentplayers\" \"0\"\r\n"
                                                   "}\r\n"
                                                   "}\r\n");
    EXPECT_EQ(FavoritesFileBytes(favorites, "00"), "{\r\n}\r\n");
    EXPECT_EQ(FavoritesFileBytes({}, "47"), "{\r\n}\r\n");
}

TEST(FavoritesFileTest, AFavoriteWithAnUnexpectedTagIsKeptInTheUnknownVersionFile) {
    const std::vector<ServerStructure> favorites = {Row("192.0.2.10", "27015", "48"),
                                                    Row("192.0.2.11", "27015", "")};
    EXPECT_EQ(FavoritesFileBytes(favorites, "46"), "{\r\n}\r\n");
    EXPECT_EQ(FavoritesFileBytes(favorites, "47"), "{\r\n}\r\n");
    EXPECT_EQ(
        ReadFavoritesFile(FavoritesFileBytes(favorites, "00"), "00"),
        (std::vector{ReadRow("192.0.2.10", "27015", "00"), ReadRow("192.0.2.11", "27015", "00")}));
    EXPECT_EQ(FavoritesFileName(FavoritesFileTag("48")), "favorite00.dat");
    EXPECT_EQ(FavoritesFileName(FavoritesFileTag("47")), "favorite47.dat");
}

// Server and map names are free text: braces and the key words in them must not cost the
// favorite, whatever order the lines come in.
TEST(FavoritesFileTest, NamesHoldingBracesOrKeyWordsSurviveWriteAndReadBack) {
    const std::vector<ServerStructure> favorites = {
        Row("192.0.2.1", "27015", "47", "}{ best }", "de_dust"),
        Row("192.0.2.2", "27015", "47", "address 10.0.0.1", "port_town"),
        Row("192.0.2.3", "27016", "47", "\"port\" \"1\"", "\"address\" \"10.1.1.1\""),
        Row("192.0.2.4", "27017", "47", "proxyaddress", "}"),
    };
    const auto read = ReadFavoritesFile(FavoritesFileBytes(favorites, "47"), "47");
    EXPECT_EQ(read, (std::vector{
                        ReadRow("192.0.2.1", "27015", "47"), ReadRow("192.0.2.2", "27015", "47"),
                        ReadRow("192.0.2.3", "27016", "47"), ReadRow("192.0.2.4", "27017", "47")}));
}

// A name or count from a server's answer may hold line breaks: written as they are, they
// would add lines that replace the block's address (the favorite is lost at the next
// start) or make up a favorite of their own. They end the value instead.
TEST(FavoritesFileTest, LineBreaksInAnswerTextsCannotAddLinesToTheFile) {
    const std::vector<ServerStructure> favorites = {
        Row("192.0.2.1", "27015", "47", "Clan\r\n\"address\" \"300.1.1.1\"", "de_dust"),
        Row("192.0.2.2", "27015", "47", "x", "map\n}\nserver\n{\n\"address\" \"127.70.0.9\"",
            "1\r\"port\" \"1\"", "2\n\"port\" \"0\""),
        Row("192.0.2.3", "27015", "47", std::string("a\0\r\nb", 6)),
        Row("192.0.2.4", "27015", "47"),
    };
    const std::string bytes = FavoritesFileBytes(favorites, "47");
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 2 + 9 * 4);
    EXPECT_NE(bytes.find("\"name\" \"Clan\"\r\n\"map\" \"de_dust\"\r\n"), std::string::npos);
    EXPECT_EQ(
        ReadFavoritesFile(bytes, "47"),
        (std::vector{ReadRow("192.0.2.1", "27015", "47"), ReadRow("192.0.2.2", "27015", "47"),
                     ReadRow("192.0.2.3", "27015", "47"), ReadRow("192.0.2.4", "27015", "47")}));
}

TEST(FavoritesFileTest, ReadsAGameFileWithTabsIndentationAndProxyLines) {
    const std::string game = "\"Favorites\"\n"
                             "{\n"
                             "\t\"server\"\n"
                             "\t{\n"
                             "\t\t\"name\"\t\t\"{Clan} address book\"\n"
                             "\t\t\"proxyaddress\"\t\"10.9.9.9\"\n"
                             "\t\t\"proxyport\"\t\"9999\"\n"
                             "\t\t\"address\"\t\t\" 192.0.2.20 \"\n"
                             "\t\t\"port\"\t\t\"27015\"\n"
                             "\t\t\"players\"\t\"3\"\n"
                             "\t}\n"
                             "    server\r"
                             "    {\r"
                             "        \"port\"  \"27016\"\r"
                             "        \"address\"  \"192.0.2.21\"\r"
                             "        \"proxyport\"  \"1\"\r"
                             "    }\r"
                             "}\n";
    EXPECT_EQ(ReadFavoritesFile(game, "46"), (std::vector{ReadRow("192.0.2.20", "27015", "46"),
                                                          ReadRow("192.0.2.21", "27016", "46")}));
}

TEST(FavoritesFileTest, BlocksWithoutAValidAddressAndPortAreDroppedAndRepeatsReadOnce) {
    const std::string file =
        "{\r\n"
        "server\r\n{\r\n\"address\" \"192.0.2.1\"\r\n}\r\n"        // no port
        "server\r\n{\r\n\"port\" \"27015\"\r\n}\r\n"               // no address
        "\"address\" \"192.0.2.2\"\r\n\"port\" \"27015\"\r\n}\r\n" // no "{"
        "server\r\n{\r\n\"address\" \"192.0.2.255\"\r\n\"port\" \"1\"\r\n}\r\n"
        "server\r\n{\r\n\"address\" \"192.0.2.3\"\r\n\"port\" \"0\"\r\n}\r\n"
        "server\r\n{\r\n\"address\" \"192.0.2.4\"\r\n\"port\" 27015\r\n}\r\n"
        "{ \"address\" \"192.0.2.5\" }\r\n\"port\" \"27015\"\r\n}\r\n"
        "server\r\n{\r\n\"address\" \"192.0.2.6\"\r\n\"port\" \"27015\"\r\n}\r\n"
        "server\r\n{\r\n\"address\" \"192.0.2.6\"\r\n\"port\" \"27015\"\r\n}\r\n"
        "server\r\n{\r\n\"address\" \"192.0.2.6\"\r\n\"port\" \"027015\"\r\n}\r\n"
        "}\r\n" // the outer "}" merely resets
        "server\r\n{\r\n\"address\" \"192.0.2.7\"\r\n\"port\" \"27015\"\r\n";
    EXPECT_EQ(ReadFavoritesFile(file, "00"), (std::vector{ReadRow("192.0.2.6", "27015", "00"),
                                                          ReadRow("192.0.2.6", "027015", "00")}));
}

TEST(FavoritesFileTest, ALaterAddressLineInTheBlockWinsAndAZeroByteEndsTheText) {
    using namespace std::string_literals;
    const std::string file = "{\nserver\n{\n\"address\" \"192.0.2.8\"\n"
                             "\"address\" \"192.0.2.9\"\n\"port\" \"27015\"\n}\n"
                             "server\n{\n\"address\" \"192.0.2.10\"\n\"port\" \"27015\"\n"
                             "\0}\n}\n"s;
    EXPECT_EQ(ReadFavoritesFile(file, "47"), (std::vector{ReadRow("192.0.2.9", "27015", "47")}));
}

TEST(FavoritesFileTest, TheKeyIsTheFirstWordAndTheValueLiesBetweenTheThirdAndFourthQuote) {
    EXPECT_EQ(FavoritesLineKey("\t \"address\"\t\"1\""), "address");
    EXPECT_EQ(FavoritesLineKey("\"proxyaddress\" \"1\""), "proxyaddress");
    EXPECT_EQ(FavoritesLineKey("\"name\" \"address\""), "name");
    EXPECT_EQ(FavoritesLineKey("  server"), "server");
    EXPECT_EQ(FavoritesLineValue("\"port\"\t\" \t27015\t \""), "27015");
    EXPECT_EQ(FavoritesLineValue("\"port\" \"27015"), "");
    EXPECT_EQ(FavoritesLineValue("\"port\" 27015"), "");
    EXPECT_EQ(FavoritesLineValue("\"map\" \"\""), "");
}

struct AddressCase {
    const char* Name;
    const char* Address;
    const char* Port;
    bool Valid;
};

void PrintTo(const AddressCase& c, std::ostream* os) {
    *os << c.Name;
}

class ValidateAddressPortTest : public testing::TestWithParam<AddressCase> {};

TEST_P(ValidateAddressPortTest, AcceptsOnlyUsableAddressesAndPorts) {
    EXPECT_EQ(ValidateAddressPort(GetParam().Address, GetParam().Port), GetParam().Valid);
}

INSTANTIATE_TEST_SUITE_P(
    FavoritesFile, ValidateAddressPortTest,
    testing::Values(AddressCase{"Plain", "192.168.1.1", "27015", true},
                    AddressCase{"HighestPort", "192.168.1.1", "65535", true},
                    AddressCase{"LowestPort", "192.168.1.1", "1", true},
                    AddressCase{"FirstPartsMayBeEdges", "0.255.0.1", "27015", true},
                    AddressCase{"LastIsBroadcast", "192.168.1.255", "27015", false},
                    AddressCase{"LastIsZero", "192.168.1.0", "27015", false},
                    AddressCase{"PartOutOfRange", "192.168.1.256", "27015", false},
                    AddressCase{"FirstOutOfRange", "256.168.1.1", "27015", false},
                    AddressCase{"TwoDots", "192.168.1", "27015", false},
                    AddressCase{"FourDots", "192.168.1.1.1", "27015", false},
                    AddressCase{"EmptyPart", "192..1.1", "27015", false},
                    AddressCase{"NotANumber", "192.168.a.1", "27015", false},
                    AddressCase{"EmptyAddress", "", "27015", false},
                    AddressCase{"PortZero", "192.168.1.1", "0", false},
                    AddressCase{"PortTooHigh", "192.168.1.1", "65536", false},
                    AddressCase{"PortEmpty", "192.168.1.1", "", false},
                    AddressCase{"PortNotANumber", "192.168.1.1", "27o15", false}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
