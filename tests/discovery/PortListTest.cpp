#include "PortList.h"

#include <gtest/gtest.h>

namespace {

using Items = std::vector<std::string>;

struct AddCase {
    Items Before;
    const char* Text;
    AddPortResult Result;
    Items After;
};

void PrintTo(const AddCase& c, std::ostream* os) { *os << '"' << c.Text << '"'; }

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
        AddCase{Three, "27013", AddPortResult::Added, {"27013", "27014", "27015", "27016"}},
        AddCase{Three, "27017", AddPortResult::Added, {"27014", "27015", "27016", "27017"}},
        AddCase{Three, "27015", AddPortResult::AlreadyListed, Three},
        // the same number written otherwise is not the same text
        AddCase{Three, "027015", AddPortResult::Added, {"27014", "27015", "027015", "27016"}},
        AddCase{{}, "27015", AddPortResult::Added, {"27015"}},
        AddCase{Three, "70000", AddPortResult::OutOfRange, Three},
        AddCase{Three, "0", AddPortResult::OutOfRange, Three},
        AddCase{Three, "abc", AddPortResult::NotInteger, Three},
        AddCase{Three, "", AddPortResult::NotInteger, Three},
        // an unsorted list: the first larger item wins, wherever it is
        AddCase{{"27020", "27010"}, "27015", AddPortResult::Added, {"27015", "27020", "27010"}},
        // an item that is not a number never counts as larger
        AddCase{{"x", "27020"}, "27015", AddPortResult::Added, {"x", "27015", "27020"}}));

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

} // namespace
