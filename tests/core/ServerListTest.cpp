#include "ServerRows.h"
#include "TestRow.h"

#include <gtest/gtest.h>

namespace {

ServerStructure Row(std::string name, std::string players = {}, std::string ip = {}) {
    return TestRow(std::move(ip), {}).Name(std::move(name)).Players(std::move(players));
}

std::vector<std::string> Names(const ServerRows& list) {
    std::vector<std::string> out;
    for (const ServerStructure& row : list)
        out.push_back(row.Name);
    return out;
}

TEST(ParseInt32, AcceptsOnlySignedDecimalIn32Bits) {
    struct Case {
        const char* text;
        std::optional<int32_t> value;
    } cases[] = {{"0", 0},
                 {"27015", 27015},
                 {"-1", -1},
                 {"+5", 5},
                 {"2147483647", INT32_MAX},
                 {"-2147483648", INT32_MIN},
                 {"2147483648", {}},
                 {"", {}},
                 {"-", {}},
                 {" 1", {}},
                 {"1 ", {}},
                 {"12a", {}},
                 {"0x10", {}},
                 {"99999999999999999999", {}}};
    for (const auto& c : cases)
        EXPECT_EQ(ParseInt32(c.text), c.value) << c.text;
}

TEST(InsertSorted, IntoEmptyListEitherDirection) {
    for (bool ascending : {true, false}) {
        ServerRows list;
        EXPECT_EQ(InsertSorted(list, Row("a"), ColName, ascending), 0u);
        EXPECT_EQ(list.size(), 1u);
    }
}

TEST(InsertSorted, StopsAtFirstGreaterRowWhereverItIs) {
    // Players 0, 3, empty: an empty key (-1) goes before the first row greater than -1.
    ServerRows list;
    list.Add(Row("zero", "0"));
    list.Add(Row("three", "3"));
    list.Add(Row("empty", ""));
    InsertSorted(list, Row("new", ""), ColPlayers, true);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"new", "zero", "three", "empty"}));

    // The walk does not assume a sorted list: it stops at the first greater row.
    ServerRows unsorted;
    unsorted.Add(Row("5", "5"));
    unsorted.Add(Row("1", "1"));
    InsertSorted(unsorted, Row("3", "3"), ColPlayers, true);
    EXPECT_EQ(Names(unsorted), (std::vector<std::string>{"3", "5", "1"}));
}

TEST(InsertSorted, EqualKeysStayBeforeTheNewRowInBothDirections) {
    for (bool ascending : {true, false}) {
        ServerRows list;
        list.Add(Row("first", "2"));
        list.Add(Row("second", "2"));
        InsertSorted(list, Row("new", "2"), ColPlayers, ascending);
        EXPECT_EQ(list[list.size() - 1].Name, "new");
    }
    ServerRows descending;
    descending.Add(Row("9", "9"));
    descending.Add(Row("1", "1"));
    InsertSorted(descending, Row("5", "5"), ColPlayers, false);
    EXPECT_EQ(Names(descending), (std::vector<std::string>{"9", "5", "1"}));
}

TEST(InsertSorted, NonIntegerNumbersCountAsEmptyAndNoRowIsLost) {
    ServerRows list;
    list.Add(Row("a", "many"));
    list.Add(Row("b", "4"));
    InsertSorted(list, Row("c", "lots"), ColPlayers, true);
    InsertSorted(list, Row("d", "0"), ColPlayers, true);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "c", "d", "b"}));
}

TEST(CompareRows, TextColumnsAreUnsignedBytesNumericColumnsAreIntegers) {
    ServerStructure a, b;
    a.Name = "Z";
    b.Name = "a";
    EXPECT_LT(CompareRows(a, b, ColName), 0); // case matters
    a.Name = "\xB2\xE2";                      // GBK bytes above 0x7F sort after ASCII
    EXPECT_GT(CompareRows(a, b, ColName), 0);
    a.Map = "de";
    b.Map = "de_dust";
    EXPECT_LT(CompareRows(a, b, ColMap), 0); // a prefix is smaller
    a.Port = "9";
    b.Port = "10";
    EXPECT_LT(CompareRows(a, b, ColPort), 0);
    a.Port = "027015";
    b.Port = "27015";
    EXPECT_EQ(CompareRows(a, b, ColPort), 0);
}

TEST(SortList, OrdersAddressesAsTextAndEmptyResponsesFirst) {
    ServerRows list;
    for (const char* ip : {"192.168.0.2", "10.0.0.9", "10.0.0.10"})
        list.Add(Row(ip, {}, ip));
    SortList(list, ColIP, true, nullptr);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"10.0.0.10", "10.0.0.9", "192.168.0.2"}));

    ServerRows responses;
    for (const char* ms : {"20", "", "5"}) {
        ServerStructure row = Row(ms);
        row.Response = ms;
        responses.Add(std::move(row));
    }
    SortList(responses, ColResponse, true, nullptr);
    EXPECT_EQ(Names(responses), (std::vector<std::string>{"", "5", "20"}));
}

TEST(SortList, IsStableMovesWholeRowsAndKeepsInsertionSorted) {
    ServerRows list;
    for (int i = 0; i < 6; ++i) {
        auto row = Row("s" + std::to_string(i), std::to_string(i % 3));
        row.Protocol = i % 2 ? "47" : "46";
        row.Password = i % 2 ? "1" : "0";
        row.Alive = i % 2;
        row.SentAt = static_cast<uint32_t>(i);
        list.Add(std::move(row));
    }
    SortList(list, ColPlayers, false, nullptr);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"s2", "s5", "s1", "s4", "s0", "s3"}));
    for (const ServerStructure& row : list) {
        const int i = row.Name[1] - '0';
        EXPECT_EQ(row.Protocol, i % 2 ? "47" : "46");
        EXPECT_EQ(row.Password, i % 2 ? "1" : "0");
        EXPECT_EQ(row.Alive, i % 2 == 1);
        EXPECT_EQ(row.SentAt, static_cast<uint32_t>(i));
    }
    InsertSorted(list, Row("new", "1"), ColPlayers, false);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"s2", "s5", "s1", "s4", "new", "s0", "s3"}));
}

TEST(SortList, RebuildsTheFavoritesViewUnlessTheListIsEmpty) {
    int rebuilds = 0;
    ServerRows list;
    SortList(list, ColName, true, [&] { ++rebuilds; });
    EXPECT_EQ(rebuilds, 0);
    list.Add(Row("a"));
    SortList(list, ColName, true, [&] { ++rebuilds; });
    EXPECT_EQ(rebuilds, 1);
}

} // namespace
