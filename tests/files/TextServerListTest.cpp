#include "TextServerList.h"

#include "Gbk.h"
#include "TestRow.h"

#include <gtest/gtest.h>

namespace {

ServerStructure Imported(std::string ip, std::string port) {
    return TestRow(std::move(ip), std::move(port)).Protocol("00");
}

TEST(TextServerListTest, ExportWritesOneHashDelimitedLinePerRowAndReadsBackTheSame) {
    ServerStructure named = Imported("255.255.255.254", "65535");
    named.Name = "Named";
    named.Map = "de_dust2";
    named.Protocol = "47";
    const std::vector<ServerStructure> rows = {named, Imported("127.30.0.1", "27015"),
                                               Imported("127.30.0.12", "7015")};
    const std::string bytes = TextListBytes(rows);
    EXPECT_EQ(bytes, "#255.255.255.254:65535#\r\n#127.30.0.1:27015#\r\n#127.30.0.12:7015#\r\n");
    EXPECT_EQ(TextListBytes({}), "");

    const TextListImport read = ParseTextList(bytes);
    EXPECT_FALSE(read.BadLine);
    EXPECT_EQ(read.Rows,
              (std::vector{Imported("255.255.255.254", "65535"), Imported("127.30.0.1", "27015"),
                           Imported("127.30.0.12", "7015")}));
}

struct SplitCase {
    const char* Name;
    const char* Line;
    const char* Address;
    const char* Port;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.Name;
}

class SplitTextListLineTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTextListLineTest, TakesTheAddressAfterTheFirstByteAndThePortBeforeTheHash) {
    const TextListEntry entry = SplitTextListLine(GetParam().Line);
    EXPECT_EQ(entry.Address, GetParam().Address);
    EXPECT_EQ(entry.Port, GetParam().Port);
}

INSTANTIATE_TEST_SUITE_P(
    TextServerList, SplitTextListLineTest,
    testing::Values(SplitCase{"Plain", "#192.0.2.10:27015#", "192.0.2.10", "27015"},
                    SplitCase{"AnyFirstByte", "x192.0.2.10:27015#", "192.0.2.10", "27015"},
                    SplitCase{"TextAfterHashIgnored", "#192.0.2.10:27015# old:1#", "192.0.2.10",
                              "27015"},
                    SplitCase{"NoColon", "#192.0.2.10#", "", ""},
                    SplitCase{"NoClosingHash", "#192.0.2.10:27015", "192.0.2.10", ""},
                    SplitCase{"ColonFirst", ":27015#", "", "27015"},
                    SplitCase{"Empty", "", "", ""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(TextServerListTest, ImportStopsAtTheFirstBadLineKeepingTheRowsBeforeIt) {
    const TextListImport read = ParseTextList("#192.0.2.1:27015#\r\n"
                                              "x192.0.2.2:27015# \r\n"
                                              "#192.0.2.1:27015#\r\n" // repeated: read once
                                              "#192.0.2.0:27015#\r\n"
                                              "#192.0.2.3:27015#\r\n");
    EXPECT_EQ(read.Rows,
              (std::vector{Imported("192.0.2.1", "27015"), Imported("192.0.2.2", "27015")}));
    EXPECT_EQ(read.BadLine, 3u);
    EXPECT_EQ(read.Fault, AddressCheck::BadAddress);
    EXPECT_EQ(GbkToUtf8(MessageTable()[read.CheckMessage()]), " 无效的 IP 地址 ! ");
}

TEST(TextServerListTest, ATrailingBlankLineImportsEveryServerThenReportsTheEmptyAddress) {
    const TextListImport read = ParseTextList("#192.0.2.1:27015#\r\n#192.0.2.2:27016#\r\n\r\n");
    EXPECT_EQ(read.Rows,
              (std::vector{Imported("192.0.2.1", "27015"), Imported("192.0.2.2", "27016")}));
    EXPECT_EQ(read.BadLine, 2u);
    EXPECT_EQ(GbkToUtf8(MessageTable()[read.CheckMessage()]), " 无效的 IP 地址 ! ");
    EXPECT_EQ(GbkToUtf8(MessageTable()[MsgInvalidListEntry]),
              " 文件中含有无效格式的 IP 地址或者端口 , 请用第三方编辑工具打开检查 ! ");
}

TEST(TextServerListTest, ABadPortIsReportedAsThePortEvenWhenTheAddressIsOutOfRange) {
    for (const char* text : {"#192.0.2.1:27015\r\n", "#192.0.2.300:0#\r\n", "#192.0.2.1:65536#"}) {
        const TextListImport read = ParseTextList(text);
        EXPECT_TRUE(read.Rows.empty()) << text;
        EXPECT_EQ(read.BadLine, 0u) << text;
        EXPECT_EQ(GbkToUtf8(MessageTable()[read.CheckMessage()]), " 无效的端口 ! ") << text;
    }
}

// A zero byte never hides the lines after it: after the closing "#" it is ignored like any
// text there, inside the address or port it stops the import at its line with a message.
TEST(TextServerListTest, AZeroByteNeverDropsTheLinesAfterItUnseen) {
    using namespace std::string_literals;
    const TextListImport ignored = ParseTextList("#192.0.2.1:27015#\0\r\n#192.0.2.2:27015#\r\n"s);
    EXPECT_EQ(ignored.Rows,
              (std::vector{Imported("192.0.2.1", "27015"), Imported("192.0.2.2", "27015")}));
    EXPECT_FALSE(ignored.BadLine);

    const TextListImport stopped =
        ParseTextList("#192.0.2.1:27015#\r\n#192.0\0.2.3:27015#\r\n#192.0.2.4:27015#\r\n"s);
    EXPECT_EQ(stopped.Rows, std::vector{Imported("192.0.2.1", "27015")});
    EXPECT_EQ(stopped.BadLine, 1u);
    EXPECT_EQ(stopped.Fault, AddressCheck::BadAddress);

    // A file saved as UTF-16 is all zero bytes between its characters.
    const TextListImport wide = ParseTextList("\xFF\xFE#\0"
                                              "1\0.\0"
                                              "2\0"s);
    EXPECT_TRUE(wide.Rows.empty());
    EXPECT_EQ(wide.BadLine, 0u);
}

TEST(TextServerListTest, BlanksAroundTheAddressAreTrimmedFromTheImportedAddress) {
    const TextListImport read = ParseTextList("#  192.0.2.1\t:27015#\r\n# 192.0.2.2 :27016#\r\n");
    EXPECT_EQ(read.Rows,
              (std::vector{Imported("192.0.2.1", "27015"), Imported("192.0.2.2", "27016")}));
    EXPECT_FALSE(read.BadLine);
}

} // namespace
