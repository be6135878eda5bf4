#include "ListSorting.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

struct CompareCase {
    const char* Name;
    bool Players;
    int Column;
    std::string A, B; // the compared column's texts
    int Expected;
};
void PrintTo(const CompareCase& c, std::ostream* os) {
    *os << c.Name;
}

class DetailCompare : public testing::TestWithParam<CompareCase> {};

TEST_P(DetailCompare, OrdersByTheColumnsRule) {
    const CompareCase& c = GetParam();
    // The other columns differ the other way, so a wrong column shows.
    int result = 0, reversed = 0;
    if (c.Players) {
        std::vector<std::string> a{"1", "z", "1"}, b{"2", "a", "0"};
        a[static_cast<size_t>(c.Column)] = c.A;
        b[static_cast<size_t>(c.Column)] = c.B;
        result = ComparePlayersInfo(c.Column, a[0], a[1], a[2], b[0], b[1], b[2]);
        reversed = ComparePlayersInfo(c.Column, b[0], b[1], b[2], a[0], a[1], a[2]);
    } else {
        std::vector<std::string> a{"z", "z"}, b{"a", "a"};
        a[static_cast<size_t>(c.Column)] = c.A;
        b[static_cast<size_t>(c.Column)] = c.B;
        result = CompareRulesInfo(c.Column, a[0], a[1], b[0], b[1]);
        reversed = CompareRulesInfo(c.Column, b[0], b[1], a[0], a[1]);
    }
    EXPECT_EQ(result, c.Expected);
    EXPECT_EQ(reversed, -c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DetailCompare,
    testing::Values(CompareCase{"PlayerNumbersAsIntegers", true, 0, "10", "9", 1},
                    CompareCase{"PlayerNamesCaseSensitive", true, 1, "abc", "Abc", 1},
                    CompareCase{"PlayerNamesUnsignedGbkBytes", true, 1, "\xb0\xa1", "z", 1},
                    CompareCase{"PlayerNamePrefixFirst", true, 1, "ab", "abc", -1},
                    CompareCase{"FragsAsSignedIntegers", true, 2, "-3", "2", -1},
                    CompareCase{"FragsEqual", true, 2, "07", "7", 0},
                    CompareCase{"RuleNamesIgnoreAsciiCase", false, 0, "mp_BuyTime", "MP_BUYTIME",
                                0},
                    CompareCase{"RuleNamesFoldedBeforeUnderscore", false, 0, "mp_a", "MP_B", -1},
                    CompareCase{"RuleNamesFoldOnlyAsciiLetters", false, 0, "\xe1", "\xc1", 1},
                    CompareCase{"RuleNamesPrefixFirst", false, 0, "mp", "mp_x", -1},
                    CompareCase{"RuleValuesCaseSensitive", false, 1, "B", "a", -1}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ColumnClick, SameColumnReversesOtherColumnKeepsDirection) {
    int32_t column = 0;
    bool ascending = true;
    std::vector<std::pair<int32_t, bool>> seen;
    for (int clicked : {0, 0, 3, 3, 2})
        ColumnClick(column, ascending, clicked), seen.emplace_back(column, ascending);
    EXPECT_EQ(seen, (std::vector<std::pair<int32_t, bool>>{
                        {0, false}, {0, true}, {3, true}, {3, false}, {2, false}}));
}

TEST(CompareNumbers, ThreeWay) {
    EXPECT_EQ(CompareNumbers(INT32_MIN, INT32_MAX), -1);
    EXPECT_EQ(CompareNumbers(5, 5), 0);
    EXPECT_EQ(CompareNumbers(INT32_MAX, -1), 1);
}

} // namespace
