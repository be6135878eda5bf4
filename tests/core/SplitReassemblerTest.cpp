#include "SplitReassembler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using Result = SplitReassembler::Result;

Bytes Piece(int32_t id, int index, int total, std::string_view payload) {
    Bytes b{0xFE, 0xFF, 0xFF, 0xFF};
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(id) >> (8 * i)));
    b.push_back(static_cast<uint8_t>(index << 4 | total));
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

std::string Text(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

TEST(SplitReassembler, JoinsPiecesInIndexOrderWhateverOrderTheyCome) {
    const std::vector<std::string> payloads = {"\xFF\xFF\xFF\xFF"
                                               "E-first-",
                                               "second-", "third"};
    std::vector<int> order = {0, 1, 2};
    do {
        SplitReassembler r;
        Bytes joined;
        for (size_t k = 0; k < order.size(); ++k) {
            const Result result =
                r.Take(Piece(7, order[k], 3, payloads[static_cast<size_t>(order[k])]), 100, joined);
            EXPECT_EQ(result, k + 1 < order.size() ? Result::Pending : Result::Complete);
        }
        EXPECT_EQ(Text(joined), payloads[0] + payloads[1] + payloads[2]);
        EXPECT_EQ(r.Pending(), 0u);
        EXPECT_EQ(r.HeldBytes(), 0u);
    } while (std::next_permutation(order.begin(), order.end()));
}

TEST(SplitReassembler, KeepsIdsOfEachSenderApartAndPassesOtherDatagrams) {
    SplitReassembler r;
    Bytes joined;
    EXPECT_EQ(r.Take(Piece(1, 0, 2, "a-"), 0, joined, 10), Result::Pending);
    EXPECT_EQ(r.Take(Piece(1, 1, 2, "B"), 0, joined, 20), Result::Pending); // same id, other sender
    EXPECT_EQ(r.Take(Piece(1, 1, 2, "b"), 0, joined, 10), Result::Complete);
    EXPECT_EQ(Text(joined), "a-b");
    EXPECT_EQ(r.Pending(), 1u);
    const Bytes plain = {0xFF, 0xFF, 0xFF, 0xFF, 'E', 0, 0};
    EXPECT_EQ(r.Take(plain, 0, joined), Result::NotSplit);
    EXPECT_EQ(r.Take(Piece(5, 0, 1, "whole"), 0, joined), Result::Complete);
    EXPECT_EQ(Text(joined), "whole");
}

struct RefusalCase {
    const char* Name;
    std::vector<Bytes> Before; // taken first, each Pending
    Bytes Piece;
};

TEST(SplitReassembler, RefusesBadHeadersAndConflictingRepeatsAndDropsTheirId) {
    const RefusalCase cases[] = {
        {"total_zero", {}, Piece(1, 0, 0, "x")},
        {"index_equal_to_total", {}, Piece(1, 2, 2, "x")},
        {"index_above_total", {}, Piece(1, 15, 3, "x")},
        {"header_cut_short", {}, Bytes{0xFE, 0xFF, 0xFF, 0xFF, 1, 0, 0}},
        {"repeat_with_other_bytes", {Piece(1, 0, 3, "abc")}, Piece(1, 0, 3, "abd")},
        {"total_other_than_its_ids", {Piece(1, 0, 3, "abc")}, Piece(1, 1, 4, "def")},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SplitReassembler r;
        Bytes joined;
        for (const Bytes& b : c.Before)
            ASSERT_EQ(r.Take(b, 0, joined), Result::Pending);
        EXPECT_EQ(r.Take(c.Piece, 0, joined), Result::Refused);
        EXPECT_EQ(r.Pending(), 0u);
        EXPECT_EQ(r.HeldBytes(), 0u);
    }
    // A total over 15 cannot be written in four bits; an index over it can, and is refused.
    SplitReassembler r;
    Bytes joined;
    Bytes bad = Piece(1, 0, 1, "x");
    bad[8] = 0xF0; // index 15, total 0
    EXPECT_EQ(r.Take(bad, 0, joined), Result::Refused);
}

TEST(SplitReassembler, AnEqualRepeatChangesNothing) {
    SplitReassembler r;
    Bytes joined;
    EXPECT_EQ(r.Take(Piece(3, 1, 2, "tail"), 0, joined), Result::Pending);
    EXPECT_EQ(r.Take(Piece(3, 1, 2, "tail"), 0, joined), Result::Pending);
    EXPECT_EQ(r.HeldBytes(), 4u);
    EXPECT_EQ(r.Take(Piece(3, 0, 2, "head-"), 0, joined), Result::Complete);
    EXPECT_EQ(Text(joined), "head-tail");
}

TEST(SplitReassembler, DropsAReassemblyAfterItsTimeLimitAcrossTheTickWrap) {
    SplitReassembler r({/*TimeLimitMs*/ 1000, /*MaxParallel*/ 8, /*MaxBytes*/ 4096});
    Bytes joined;
    const uint32_t start = 0xFFFFFF00u; // the tick count wraps during the wait
    EXPECT_EQ(r.Take(Piece(9, 0, 2, "old-"), start, joined), Result::Pending);
    r.Expire(start + 999);
    EXPECT_EQ(r.Pending(), 1u);
    // The second piece comes too late: the first is gone, so it starts over.
    EXPECT_EQ(r.Take(Piece(9, 1, 2, "new"), start + 1000, joined), Result::Pending);
    EXPECT_EQ(r.Pending(), 1u);
    EXPECT_EQ(r.HeldBytes(), 3u);
    EXPECT_EQ(r.Take(Piece(9, 0, 2, "NEW-"), start + 1500, joined), Result::Complete);
    EXPECT_EQ(Text(joined), "NEW-new");
}

TEST(SplitReassembler, BoundsParallelIdsAndHeldBytesByDroppingTheOldest) {
    SplitReassembler r({/*TimeLimitMs*/ 60000, /*MaxParallel*/ 4, /*MaxBytes*/ 100});
    Bytes joined;
    for (int id = 0; id < 10; ++id)
        ASSERT_EQ(r.Take(Piece(id, 0, 2, "xx"), 0, joined), Result::Pending);
    EXPECT_EQ(r.Pending(), 4u);
    // The newest four are kept: id 9 completes, id 0 starts over.
    EXPECT_EQ(r.Take(Piece(9, 1, 2, "yy"), 0, joined), Result::Complete);
    EXPECT_EQ(r.Take(Piece(0, 1, 2, "yy"), 0, joined), Result::Pending);

    r.Clear();
    const std::string forty(40, 'a');
    ASSERT_EQ(r.Take(Piece(1, 0, 3, forty), 0, joined), Result::Pending);
    ASSERT_EQ(r.Take(Piece(2, 0, 3, forty), 0, joined), Result::Pending);
    EXPECT_EQ(r.HeldBytes(), 80u);
    // 40 more would pass 100: the oldest other reassembly makes room.
    ASSERT_EQ(r.Take(Piece(2, 1, 3, forty), 0, joined), Result::Pending);
    EXPECT_EQ(r.HeldBytes(), 80u);
    EXPECT_EQ(r.Pending(), 1u);
    // A reassembly that alone would pass the bound is refused.
    EXPECT_EQ(r.Take(Piece(2, 2, 3, forty), 0, joined), Result::Refused);
    EXPECT_EQ(r.HeldBytes(), 0u);
    EXPECT_EQ(r.Take(Piece(4, 0, 2, std::string(101, 'b')), 0, joined), Result::Refused);
}

} // namespace
