#include "ServerRows.h"

#include "ServerList.h"
#include "TestRow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace {

ServerStructure Server(std::string ip, std::string port, std::string name = {},
                       std::string players = {}) {
    const std::string address = ip + ":" + port;
    return TestRow(std::move(ip), std::move(port))
        .Name(name.empty() ? address : std::move(name))
        .Players(std::move(players));
}

// Identities that collide when joined without a separator, or differ in one digit.
const std::vector<ServerKey> Universe = {
    {"127.30.0.1", "27015"},  {"127.30.0.12", "7015"},
    {"127.30.0.1", "2701"},   {"127.30.0.2", "27015"},
    {"127.30.0.1", "027015"}, {"127.30.0.9", "27015"},
    {"127.30.0.7", "27016"},  {"", ""},
};

// A copy of the store kept only from its notices: if a notice is missing or names the
// wrong rows, the copy drifts from the store.
class Mirror {
public:
    explicit Mirror(const ServerRows& rows) : Rows(rows) {
        Id = Rows.Listen([this](const RowsChange& c) { Apply(c); });
    }
    ~Mirror() { Rows.Unlisten(Id); }
    std::vector<ServerStructure> Copy;
    int Notices = 0;

private:
    void Apply(const RowsChange& c) {
        ++Notices;
        switch (c.Kind) {
        case RowsChangeKind::Inserted:
            for (const size_t p : c.Positions)
                Copy.insert(Copy.begin() + static_cast<ptrdiff_t>(p), Rows[p]);
            break;
        case RowsChangeKind::Removed:
            for (auto it = c.Positions.rbegin(); it != c.Positions.rend(); ++it)
                Copy.erase(Copy.begin() + static_cast<ptrdiff_t>(*it));
            break;
        case RowsChangeKind::Changed:
            for (size_t p = c.First; p <= c.Last; ++p)
                Copy[p] = Rows[p];
            break;
        case RowsChangeKind::Reordered: {
            std::vector<ServerStructure> moved(Copy.size());
            for (size_t p = 0; p < Copy.size(); ++p)
                moved[c.NewPositionOf[p]] = Copy[p];
            Copy = std::move(moved);
            break;
        }
        }
        EXPECT_EQ(c.Size, Copy.size());
    }
    const ServerRows& Rows;
    ServerRows::ListenerId Id;
};

void ExpectConsistent(const ServerRows& rows, const Mirror& mirror, const std::string& step) {
    SCOPED_TRACE(step);
    std::vector<ServerStructure> all(rows.begin(), rows.end());
    EXPECT_EQ(mirror.Copy, all) << "the notices lost track of the rows";
    std::set<std::pair<std::string, std::string>> keys;
    for (const ServerKey& k : Universe)
        keys.emplace(k.IP, k.Port);
    for (const ServerStructure& r : rows)
        keys.emplace(r.IP, r.Port);
    for (const auto& [ip, port] : keys) {
        std::vector<size_t> expected;
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i].IP == ip && all[i].Port == port)
                expected.push_back(i);
        EXPECT_EQ(rows.Find(ip, port), expected) << ip << ":" << port;
        EXPECT_EQ(rows.FindFirst(ip, port),
                  expected.empty() ? std::nullopt : std::optional<size_t>(expected.front()))
            << ip << ":" << port;
    }
}

struct Step {
    const char* What;
    std::function<void(ServerRows&)> Do;
};

struct Sequence {
    const char* Name;
    std::vector<Step> Steps;
};

void PrintTo(const Sequence& s, std::ostream* os) {
    *os << s.Name;
}

size_t At(const ServerRows& rows, const char* ip, const char* port) {
    return rows.FindFirst(ip, port).value();
}

const Sequence Sequences[] = {
    {"AddInsertSortedAndDuplicates",
     {{"add", [](ServerRows& r) { r.Add(Server("127.30.0.2", "27015", "b")); }},
      {"insert before",
       [](ServerRows& r) { r.InsertSorted(Server("127.30.0.1", "27015", "a"), ColName, true); }},
      {"colliding text",
       [](ServerRows& r) { r.InsertSorted(Server("127.30.0.12", "7015", "c"), ColName, true); }},
      {"duplicate in the middle",
       [](ServerRows& r) { r.InsertSorted(Server("127.30.0.1", "27015", "b"), ColName, true); }},
      {"descending",
       [](ServerRows& r) { r.InsertSorted(Server("127.30.0.9", "27015", "z"), ColName, false); }}}},
    {"RemoveOneAddAnotherThenAnswerForTheRemoved",
     {{"add a", [](ServerRows& r) { r.Add(Server("127.30.0.1", "27015")); }},
      {"add b", [](ServerRows& r) { r.Add(Server("127.30.0.2", "27015")); }},
      {"remove a", [](ServerRows& r) { r.Remove(At(r, "127.30.0.1", "27015")); }},
      {"add c", [](ServerRows& r) { r.Add(Server("127.30.0.9", "27015")); }},
      {"answer for a",
       [](ServerRows& r) {
           EXPECT_EQ(
               r.UpdateServer("127.30.0.1", "27015", [](ServerStructure& s) { s.Name = "late"; }),
               0u);
       }},
      {"answer for c",
       [](ServerRows& r) {
           EXPECT_EQ(
               r.UpdateServer("127.30.0.9", "27015", [](ServerStructure& s) { s.Name = "c!"; }),
               1u);
       }}}},
    {"ReplaceMovesTheIdentity",
     {{"add",
       [](ServerRows& r) {
           r.Add(Server("127.30.0.1", "27015"));
           r.Add(Server("127.30.0.2", "27015"));
       }},
      {"replace by another server",
       [](ServerRows& r) { r.Replace(0, Server("127.30.0.7", "27016")); }},
      {"replace by a present server",
       [](ServerRows& r) { r.Replace(0, Server("127.30.0.2", "27015", "twin")); }}}},
    {"AddressAndPortEditedInPlace",
     {{"add",
       [](ServerRows& r) {
           for (const char* ip : {"127.30.0.1", "127.30.0.2", "127.30.0.1"})
               r.Add(Server(ip, "27015"));
       }},
      {"ip", [](ServerRows& r) { r.Update(1, [](ServerStructure& s) { s.IP = "127.30.0.12"; }); }},
      {"port", [](ServerRows& r) { r.Update(1, [](ServerStructure& s) { s.Port = "7015"; }); }},
      {"other fields",
       [](ServerRows& r) {
           r.Update(0, [](ServerStructure& s) {
               s.Map = "de_dust2";
               s.Alive = true;
           });
       }},
      {"every row of a server moves",
       [](ServerRows& r) {
           EXPECT_EQ(
               r.UpdateServer("127.30.0.1", "27015", [](ServerStructure& s) { s.Port = "027015"; }),
               2u);
       }},
      {"onto a present server",
       [](ServerRows& r) {
           r.Update(1, [](ServerStructure& s) {
               s.IP = "127.30.0.1";
               s.Port = "027015";
           });
       }}}},
    {"SortKeepsEveryRowsIdentity",
     {{"add",
       [](ServerRows& r) {
           r.Add(Server("127.30.0.2", "27015", "m", "5"));
           r.Add(Server("127.30.0.1", "27015", "z", ""));
           r.Add(Server("127.30.0.12", "7015", "a", "5"));
           r.Add(Server("127.30.0.1", "27015", "k", "1"));
       }},
      {"by name descending", [](ServerRows& r) { r.Sort(ColName, false); }},
      {"by players", [](ServerRows& r) { r.Sort(ColPlayers, true); }},
      {"answer after the sort",
       [](ServerRows& r) {
           r.UpdateServer("127.30.0.1", "27015", [](ServerStructure& s) { s.Map = "x"; });
       }},
      {"insert after the sort",
       [](ServerRows& r) {
           r.InsertSorted(Server("127.30.0.9", "27015", "q", "3"), ColPlayers, true);
       }}}},
    {"BulkRemoveClearAndImport",
     {{"import",
       [](ServerRows& r) {
           r.InsertSortedMany({Server("127.30.0.9", "27015"), Server("127.30.0.1", "27015"),
                               Server("127.30.0.12", "7015"), Server("127.30.0.1", "2701"),
                               Server("127.30.0.2", "27015")},
                              ColIP, true);
       }},
      {"import between",
       [](ServerRows& r) {
           r.InsertSortedMany({Server("127.30.0.7", "27016"), Server("127.30.0.1", "27015")}, ColIP,
                              true);
       }},
      {"remove selected, unordered with a repeat and a stale index",
       [](ServerRows& r) {
           r.RemoveRows({4, 0, 4, 99, 2});
       }},
      {"clear", [](ServerRows& r) { r.Clear(); }},
      {"add after clear", [](ServerRows& r) { r.Add(Server("127.30.0.1", "27015")); }}}},
};

class ServerRowsSequence : public testing::TestWithParam<Sequence> {};

TEST_P(ServerRowsSequence, LookupAndNoticesFollowEveryStep) {
    ServerRows rows;
    Mirror mirror(rows);
    for (const Step& step : GetParam().Steps) {
        step.Do(rows);
        ExpectConsistent(rows, mirror, step.What);
    }
}

INSTANTIATE_TEST_SUITE_P(Sequences, ServerRowsSequence, testing::ValuesIn(Sequences),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(ServerRows, OneNoticePerOperationAndNoneForNothing) {
    ServerRows rows;
    Mirror mirror(rows);
    rows.InsertSortedMany({Server("127.30.0.1", "27015"), Server("127.30.0.2", "27015"),
                           Server("127.30.0.1", "27015")},
                          ColIP, true);
    EXPECT_EQ(mirror.Notices, 1);
    rows.UpdateServer("127.30.0.1", "27015", [](ServerStructure& s) { s.Name = "both"; });
    EXPECT_EQ(mirror.Notices, 2);
    rows.UpdateServer("127.30.0.9", "27015", [](ServerStructure& s) { s.Name = "none"; });
    rows.RemoveRows({});
    rows.InsertSortedMany({}, ColIP, true);
    ServerRows empty;
    empty.Sort(ColName, true);
    EXPECT_EQ(mirror.Notices, 2);
    rows.RemoveRows({0, 1, 2});
    EXPECT_EQ(mirror.Notices, 3);
    ExpectConsistent(rows, mirror, "end");
}

TEST(ServerRows, IdentitiesSnapshotOutlivesTheRows) {
    ServerRows rows;
    rows.Add(Server("127.30.0.2", "27015"));
    rows.Add(Server("127.30.0.1", "27015"));
    const std::vector<ServerKey> snapshot = rows.Identities();
    rows.Clear();
    rows.Add(Server("127.30.0.1", "27015", "new"));
    // A worker that walks the snapshot reaches rows by identity, never a freed one.
    EXPECT_EQ(snapshot, (std::vector<ServerKey>{{"127.30.0.2", "27015"}, {"127.30.0.1", "27015"}}));
    EXPECT_FALSE(rows.FindFirst(snapshot[0].IP, snapshot[0].Port));
    EXPECT_EQ(rows[rows.FindFirst(snapshot[1].IP, snapshot[1].Port).value()].Name, "new");
}

TEST(SortList, ReportsTheMovesSoAViewCanFollowItsRows) {
    ServerRows rows;
    for (const char* name : {"c", "a", "b"})
        rows.Add(Server("127.30.0.1", "27015", name));
    std::vector<size_t> moves;
    rows.Listen(
        [&](const RowsChange& c) { moves.assign(c.NewPositionOf.begin(), c.NewPositionOf.end()); });
    int rebuilds = 0;
    SortList(rows, ColName, true, [&] { ++rebuilds; });
    EXPECT_EQ(moves, (std::vector<size_t>{2, 0, 1}));
    EXPECT_EQ(rebuilds, 1);
}

// Texts that collide: equal after 8 bytes or in their first 8, prefixes, high GBK bytes,
// numbers equal as integers but not as text, and what counts as -1 (empty, not a number).
TEST(ServerRows, SortOrdersLikeAStableSortByTheColumnsComparison) {
    const std::vector<std::string> texts = {
        "",   "abcdefgh", "abcdefghi", "abcdefgh2", "abcdefgi", "ab",          "\xb1\xb1\xbe\xa9",
        "B",  "7",        "007",       "-1",        "x1",       "-2147483648", "2147483647",
        "10", "9"};
    std::vector<ServerStructure> rows;
    for (size_t i = 0; i < 64; ++i) {
        ServerStructure r;
        r.Name = texts[(i * 7) % texts.size()];
        r.IP = texts[(i * 5 + 1) % texts.size()];
        r.Port = texts[(i * 3 + 2) % texts.size()];
        r.Map = texts[(i * 11 + 3) % texts.size()];
        r.Players = texts[(i * 13 + 4) % texts.size()];
        r.MaxPlayers = texts[i % texts.size()];
        r.Response = texts[(i * 9 + 5) % texts.size()];
        r.SentAt = static_cast<uint32_t>(i); // tells equal rows apart
        rows.push_back(r);
    }
    for (int column = 0; column < 7; ++column) {
        for (const bool ascending : {true, false}) {
            ServerRows list;
            for (const ServerStructure& r : rows)
                list.Add(r);
            list.Sort(column, ascending);
            std::vector<ServerStructure> expected = rows;
            std::stable_sort(expected.begin(), expected.end(), [&](const auto& a, const auto& b) {
                const int c = CompareRows(a, b, column);
                return ascending ? c < 0 : c > 0;
            });
            const std::vector<ServerStructure> actual(list.begin(), list.end());
            EXPECT_EQ(actual, expected) << "column " << column << (ascending ? " asc" : " desc");
        }
    }
}

} // namespace

// A bulk insertion must leave exactly the order of inserting its rows one by one, also
// into a list that a refresh left out of order and with keys repeated on both sides.
TEST(ServerRows, BulkInsertEqualsOneByOne) {
    uint32_t seed = 12345;
    const auto next = [&seed](uint32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    const auto randomRow = [&](int serial) {
        return Server("127.30." + std::to_string(serial / 250) + "." + std::to_string(serial % 250),
                      "27015", std::string(1, static_cast<char>('a' + next(6))),
                      next(4) == 0 ? "x" : std::to_string(next(9)));
    };
    for (int round = 0; round < 300; ++round) {
        const int column = static_cast<int>(next(7));
        const bool ascending = next(2) == 0;
        ServerRows bulk, single;
        Mirror mirror(bulk);
        int serial = 0;
        const int existing = static_cast<int>(next(12));
        for (int i = 0; i < existing; ++i) {
            const ServerStructure row = randomRow(serial++);
            bulk.Add(row);
            single.Add(row);
        }
        std::vector<ServerStructure> added;
        const int count = static_cast<int>(next(12));
        for (int i = 0; i < count; ++i)
            added.push_back(randomRow(serial > 0 && next(5) == 0 ? int(next(serial)) : serial++));
        for (const ServerStructure& row : added)
            single.InsertSorted(row, column, ascending);
        bulk.InsertSortedMany(added, column, ascending);
        ASSERT_EQ(bulk.Identities(), single.Identities())
            << "round " << round << " column " << column << " ascending " << ascending;
        ExpectConsistent(bulk, mirror, "bulk");
    }
}
