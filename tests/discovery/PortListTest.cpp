#include "PortList.h"

#include <gtest/gtest.h>

namespace {

using Items = std::vector<std::string>;

struct AddCase {
    const char* Name;
    Items Before;
    const char* Text;
    AddPortResult Result;
    Items After;
};

void PrintTo(const AddCase& c, std::ostream* os) {
    *os << c.Name << " \"" << c.Text << '"';
}

class AddPortTable : public testing::TestWithParam<AddCase> {};

TEST_P(AddPortTable, InsertsBeforeTheFirstLargerItem) {
    const AddCase& c = GetParam();
    Items items = c.Before;
    const AddPortOutcome outcome = AddPort(items, c.Text);
    EXPECT_EQ(outcome.Result, c.Result);
    EXPECT_EQ(items, c.After);
    EXPECT_EQ(outcome.ShowInvalidPort(), c.Result == AddPortResult::NotInteger);
    EXPECT_EQ(outcome.ClearEdit(),
              c.Result == AddPortResult::NotInteger || c.Result == AddPortResult::OutOfRange);
}

const Items Three{"27014", "27015", "27016"};

INSTANTIATE_TEST_SUITE_P(
    Cases, AddPortTable,
    testing::Values(
        AddCase{"SmallestGoesFirst",
                Three,
                "27013",
                AddPortResult::Added,
                {"27013", "27014", "27015", "27016"}},
        AddCase{"LargestGoesLast",
                Three,
                "27017",
                AddPortResult::Added,
                {"27014", "27015", "27016", "27017"}},
        AddCase{"SameTextIsListed", Three, "27015", AddPortResult::AlreadyListed, Three},
        // the same number written otherwise is the same port
        AddCase{"LeadingZeroIsTheSamePort", Three, "027015", AddPortResult::AlreadyListed, Three},
        AddCase{"PlusSignIsTheSamePort", Three, "+27015", AddPortResult::AlreadyListed, Three},
        AddCase{"NewPortWrittenOtherwiseIsListedPlain",
                Three,
                "+027013",
                AddPortResult::Added,
                {"27013", "27014", "27015", "27016"}},
        AddCase{"IntoAnEmptyList", {}, "27015", AddPortResult::Added, {"27015"}},
        AddCase{"AboveRange", Three, "70000", AddPortResult::OutOfRange, Three},
        AddCase{"Zero", Three, "0", AddPortResult::OutOfRange, Three},
        AddCase{"NotANumber", Three, "abc", AddPortResult::NotInteger, Three},
        AddCase{"EmptyText", Three, "", AddPortResult::NotInteger, Three},
        // an unsorted list: the first larger item wins, wherever it is
        AddCase{"UnsortedFirstLargerWins",
                {"27020", "27010"},
                "27015",
                AddPortResult::Added,
                {"27015", "27020", "27010"}},
        // ... but a port listed after a larger item is still found
        AddCase{"UnsortedListedAfterALargerItem",
                {"27020", "27015"},
                "27015",
                AddPortResult::AlreadyListed,
                {"27020", "27015"}},
        // an item that is not a number never counts as larger
        AddCase{"NonNumberItemIsNeverLarger",
                {"x", "27020"},
                "27015",
                AddPortResult::Added,
                {"x", "27015", "27020"}}),
    [](const testing::TestParamInfo<AddCase>& info) { return info.param.Name; });

TEST(DeletePorts, RemovesEverySelectedItem) {
    Items items{"1", "2", "3", "4", "5"};
    DeletePorts(items, {3, 0, 3, 9});
    EXPECT_EQ(items, (Items{"2", "3", "5"}));
    DeletePorts(items, {});
    EXPECT_EQ(items.size(), 3u);
}

TEST(RebuildPortList, PortsInListOrderAndSummaryWithTwoBlanks) {
    const PortListRebuild r = RebuildPortList({"27014", "27015", "27016"});
    EXPECT_EQ(r.PortList, (std::vector<int32_t>{27014, 27015, 27016}));
    EXPECT_EQ(r.Summary, "27014  27015  27016  ");
    EXPECT_TRUE(r.Dropped.empty());
}

TEST(RebuildPortList, EmptyListGivesNoPortsAndEmptySummary) {
    const PortListRebuild r = RebuildPortList({});
    EXPECT_TRUE(r.PortList.empty());
    EXPECT_EQ(r.Summary, "");
}

TEST(RebuildPortList, DropsItemsThatAreNotIntegers) {
    const PortListRebuild r = RebuildPortList({"27015", "abc", "", "27016"});
    EXPECT_EQ(r.PortList, (std::vector<int32_t>{27015, 27016}));
    EXPECT_EQ(r.Summary, "27015  27016  ");
    EXPECT_EQ(r.Dropped, (Items{"abc", ""}));
}

struct RebuildCase {
    const char* Name;
    Items Restored; // the list box items as the settings file gave them
    std::vector<int32_t> PortList;
    Items Kept; // what the list box holds afterwards
    Items Dropped;
};

void PrintTo(const RebuildCase& c, std::ostream* os) {
    *os << c.Name;
}

class RebuildPortListTable : public testing::TestWithParam<RebuildCase> {};

TEST_P(RebuildPortListTable, KeepsEachPortOnceAndDropsTheRest) {
    const RebuildCase& c = GetParam();
    const PortListRebuild r = RebuildPortList(c.Restored);
    std::string summary;
    for (const std::string& item : c.Kept)
        summary += item + "  ";
    EXPECT_EQ(r.PortList, c.PortList);
    EXPECT_EQ(r.Items, c.Kept);
    EXPECT_EQ(r.Summary, summary);
    EXPECT_EQ(r.Dropped, c.Dropped);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RebuildPortListTable,
    testing::Values(
        RebuildCase{"PlainPorts", Three, {27014, 27015, 27016}, Three, {}},
        RebuildCase{"OutsideOneTo65535",
                    {"0", "27015", "65536", "-27015", "65535", "1", "2147483647"},
                    {27015, 65535, 1},
                    {"27015", "65535", "1"},
                    {"0", "65536", "-27015", "2147483647"}},
        RebuildCase{"NotIntegers",
                    {"27015", "abc", "", "27 016"},
                    {27015},
                    {"27015"},
                    {"abc", "", "27 016"}},
        // the first writing of a port stays, as plain decimal text; later ones are repeats
        RebuildCase{"SameValueWrittenOtherwise",
                    {"027015", "27016", "+27015", "27015"},
                    {27015, 27016},
                    {"27015", "27016"},
                    {"+27015", "27015"}}),
    [](const testing::TestParamInfo<RebuildCase>& info) { return info.param.Name; });

} // namespace
