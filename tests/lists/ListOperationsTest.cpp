#include "ListOperations.h"

#include "AnswerApply.h"

#include "FakeClock.h"
#include "FavoriteRows.h"
#include "ServerList.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

ServerStructure Row(std::string ip, std::string port, std::string protocol = "47",
                    std::string name = {}) {
    ServerStructure row;
    row.IP = std::move(ip);
    row.Port = std::move(port);
    row.Protocol = std::move(protocol);
    row.Name = name.empty() ? row.IP : std::move(name);
    return row;
}

std::vector<std::string> Addresses(const ServerRows& rows) {
    std::vector<std::string> out;
    for (const ServerStructure& row : rows)
        out.push_back(row.IP + ":" + row.Port);
    return out;
}

// The operations over a model, with the favorites view's row map for a show setting and
// every window call recorded.
struct Lists {
    BrowserModel Model;
    ListOperations Ops{Model};
    FavoriteShow Show = FavoriteShow::All;
    std::vector<std::string> Calls;
    std::string Clipboard = "untouched";
    std::string ExportPath, ImportPath;
    bool AutoJoinDown = false;

    Lists() {
        const auto rebuild = [this] {
            RebuildFavoriteRows(Model.Favorites, Model.FavoriteRows15, Model.FavoriteRows16);
        };
        Ops.RebuildFavoritesView = [this, rebuild] {
            rebuild();
            Calls.push_back("rebuild");
        };
        Ops.FavoritePosition = [this, rebuild](int viewRow) {
            rebuild();
            return FavoriteListPosition(Show, Model.FavoriteRows15, Model.FavoriteRows16,
                                        Model.Favorites.size(), static_cast<size_t>(viewRow));
        };
        Ops.FavoriteViewRows = [this, rebuild] {
            rebuild();
            return static_cast<int>(FavoriteViewCount(
                Show, Model.FavoriteRows15, Model.FavoriteRows16, Model.Favorites.size()));
        };
        Ops.SetClipboard = [this](const std::string& text) { Clipboard = text; };
        Ops.PickExportFile = [this] { return ExportPath; };
        Ops.PickImportFile = [this] { return ImportPath; };
        Ops.ShowWarning = [this](MessageIndex text, MessageIndex caption) {
            Calls.push_back("warning " + std::to_string(text) + "/" + std::to_string(caption));
        };
        Ops.DeselectAll = [this](ServerListKind other) {
            Calls.push_back(other == ServerListKind::Favorites ? "deselect favorites"
                                                               : "deselect results");
        };
        Ops.ForgetPickedServer = [this] { Calls.push_back("forget"); };
        Ops.AutoJoinDown = [this] { return AutoJoinDown; };
        Ops.SetAutoJoinTarget = [this](const std::string& name, const std::string& ip,
                                       const std::string& port) {
            Calls.push_back("target " + name + "|" + ip + "|" + port);
        };
        Ops.JoinSelectedServer = [this] { Calls.push_back("join"); };
        Ops.RequestDetails = [this](ServerRows& list, size_t position) {
            Calls.push_back("details " + list[position].IP + " at " + std::to_string(position));
        };
    }
};

TEST(ListOperationsTest, AddingToFavoritesRefreshesAHeldServerAndInsertsANewOneSorted) {
    Lists l;
    l.Model.FavoriteSortColumn = ColIP;
    l.Model.Favorites.Add(Row("192.0.2.20", "27015", "46", "old name"));
    l.Model.Favorites.Add(Row("192.0.2.30", "27015", "46"));
    ServerStructure answered = Row("192.0.2.20", "27015", "47", "new name");
    answered.Map = "de_dust2";
    answered.Players = "5";
    answered.MaxPlayers = "16";
    answered.Response = "12";
    answered.Password = "1";
    answered.Alive = answered.Answered = true;
    answered.SentAt = 777;
    l.Model.SearchResults.Add(answered);
    ServerStructure fresh = Row("192.0.2.25", "27015");
    fresh.Response = "40";
    l.Model.SearchResults.Add(fresh);

    const int rows[] = {0, 1};
    l.Ops.AddToFavorites(rows);
    EXPECT_EQ(
        Addresses(l.Model.Favorites),
        (std::vector<std::string>{"192.0.2.20:27015", "192.0.2.25:27015", "192.0.2.30:27015"}));
    ServerStructure expected = answered;
    expected.SentAt = 0;
    EXPECT_EQ(l.Model.Favorites[0], expected);
    EXPECT_EQ(l.Model.Favorites[1].Response, "") << "a new row waits for its refresh";
    EXPECT_EQ(l.Calls, std::vector<std::string>{"rebuild"});
    l.Ops.AddToFavorites({});
    EXPECT_EQ(l.Model.Favorites.size(), 3u);
}

TEST(ListOperationsTest, AWaitingServerAddedToTheFavoritesKeepsItsSendTime) {
    Lists l;
    ServerStructure waiting = Row("192.0.2.40", "27015", "00", "");
    waiting.Name.clear();
    waiting.SentAt = 90000;
    l.Model.SearchResults.Add(waiting);
    const int rows[] = {0};
    l.Ops.AddToFavorites(rows);
    ASSERT_EQ(l.Model.Favorites.size(), 1u);
    EXPECT_EQ(l.Model.Favorites[0], waiting);

    // Its answer, 25 ms after the query, times the favorite from that query too.
    ServerStructure answer = Row("192.0.2.40", "27015", "47", "Answered");
    answer.Alive = answer.Answered = true;
    ApplyAnswerToFavorites(l.Model.Favorites, answer, 90025);
    EXPECT_EQ(l.Model.Favorites[0].Response, "25");
    EXPECT_EQ(l.Model.Favorites[0].Name, "Answered");
}

TEST(ListOperationsTest, FavoritesViewRowsReachTheirListRowsUnderEveryShowSetting) {
    // List order: 46, 47, 00, 46, 47. Row 2 of each view:
    struct Case {
        FavoriteShow Show;
        const char* Third;
    };
    for (const Case c :
         {Case{FavoriteShow::Only15, "192.0.2.4"}, Case{FavoriteShow::Only16, "192.0.2.5"},
          Case{FavoriteShow::All, "192.0.2.3"}}) {
        Lists l;
        l.Show = c.Show;
        const char* tags[] = {"46", "47", "00", "46", "47"};
        for (int i = 0; i < 5; ++i)
            l.Model.Favorites.Add(Row("192.0.2." + std::to_string(i + 1), "27015", tags[i]));
        const int third[] = {2};
        l.Ops.AddToSearchResults(third);
        ASSERT_EQ(l.Model.SearchResults.size(), 1u);
        EXPECT_EQ(l.Model.SearchResults[0].IP, c.Third);
        EXPECT_EQ(l.Ops.AddressLines({}, third), std::string(c.Third) + ":27015\r\n");
        l.Ops.DeleteSelected({}, third);
        EXPECT_FALSE(l.Model.Favorites.FindFirst(c.Third, "27015"));
        EXPECT_EQ(l.Model.Favorites.size(), 4u);
    }
}

TEST(ListOperationsTest, DeleteAndCopyWorkOnBothViewsSearchResultsFirst) {
    Lists l;
    l.Show = FavoriteShow::Only16;
    for (int i = 1; i <= 4; ++i) {
        l.Model.SearchResults.Add(Row("192.0.2." + std::to_string(i), "27015"));
        l.Model.Favorites.Add(Row("198.51.100." + std::to_string(i), "2701" + std::to_string(i),
                                  i == 2 ? "46" : "47"));
    }
    const int results[] = {0, 2}, favorites[] = {1, 2}; // 198.51.100.3 and .4
    l.Ops.CopyToClipboard(results, favorites);
    EXPECT_EQ(l.Clipboard, "192.0.2.1:27015\r\n192.0.2.3:27015\r\n"
                           "198.51.100.3:27013\r\n198.51.100.4:27014\r\n");
    l.Ops.CopyToClipboard({}, {});
    EXPECT_EQ(l.Clipboard, "");

    l.Ops.DeleteSelected(results, favorites);
    EXPECT_EQ(Addresses(l.Model.SearchResults),
              (std::vector<std::string>{"192.0.2.2:27015", "192.0.2.4:27015"}));
    EXPECT_EQ(Addresses(l.Model.Favorites),
              (std::vector<std::string>{"198.51.100.1:27011", "198.51.100.2:27012"}));
    l.Ops.DeleteAll(ServerListKind::Favorites);
    EXPECT_TRUE(l.Model.Favorites.empty());
    EXPECT_EQ(l.Model.SearchResults.size(), 2u);
    l.Ops.DeleteAll(ServerListKind::SearchResults);
    EXPECT_TRUE(l.Model.SearchResults.empty());
}

TEST(ListOperationsTest, ContextMenuEnablingFollowsTheSelectedCount) {
    const auto bits = [](size_t n) {
        const ContextMenuEnabling m = ContextMenuFor(n);
        return std::vector<bool>{m.Connect,    m.AutoConnect,    m.Copy,
                                 m.AddToOther, m.DeleteSelected, m.DeleteAll};
    };
    EXPECT_EQ(bits(0), (std::vector<bool>{false, false, false, false, false, true}));
    EXPECT_EQ(bits(1), (std::vector<bool>{true, true, true, true, true, true}));
    EXPECT_EQ(bits(2), (std::vector<bool>{false, false, true, true, true, true}));
    EXPECT_EQ(bits(40), bits(2));
}

TEST(ListOperationsTest, ClicksJoinWithin300MsPickTheServerAndLeaveTheMemoryOnOtherButtons) {
    ScopedFakeClock clock;
    Lists l;
    l.Model.SearchResults.Add(Row("192.0.2.1", "27015", "47", "first"));
    l.Model.SearchResults.Add(Row("192.0.2.2", "27015", "47", "second"));
    const auto click = [&](std::optional<int> row, bool left = true, bool onRow = true) {
        l.Calls.clear();
        l.Ops.MouseDown(ServerListKind::SearchResults, left, row, onRow);
        return l.Calls;
    };
    const std::vector<std::string> pick = {"deselect favorites", "target second|192.0.2.2|27015",
                                           "details 192.0.2.2 at 1"};
    EXPECT_EQ(click(1), pick);
    clock.Advance(299);
    std::vector<std::string> joined = pick;
    joined.insert(joined.begin() + 1, "join");
    EXPECT_EQ(click(1), joined);
    clock.Advance(300);
    EXPECT_EQ(click(1), pick);
    clock.Advance(100);
    EXPECT_EQ(click(0).size(), 3u) << "another row is no double click";
    clock.Advance(100);
    EXPECT_EQ(click(1).size(), 3u);
    // A right click only clears the other view; the next left click still pairs with the
    // last left one.
    clock.Advance(50);
    EXPECT_EQ(click(1, false), std::vector<std::string>{"deselect favorites"});
    clock.Advance(50);
    EXPECT_EQ(click(1), joined);
    // Beside the row: remembered, nothing else.
    clock.Advance(1000);
    EXPECT_EQ(click(1, true, false), std::vector<std::string>{"deselect favorites"});
    clock.Advance(10);
    EXPECT_EQ(click(1, true, true), joined);

    EXPECT_EQ(click(std::nullopt),
              (std::vector<std::string>{"deselect favorites", "forget", "target ||"}));
    l.AutoJoinDown = true;
    EXPECT_EQ(click(std::nullopt), (std::vector<std::string>{"deselect favorites", "forget"}));
    clock.Advance(1000);
    EXPECT_EQ(click(0), (std::vector<std::string>{"deselect favorites", "details 192.0.2.1 at 0"}));
}

TEST(ListOperationsTest, ImportStopsAtTheFirstBadLineKeepingTheLinesBeforeIt) {
    struct Case {
        const char* What;
        std::string File;
        std::vector<std::string> Listed;
        std::vector<std::string> Warnings;
    };
    const std::string addressThenList = "warning 3/0", listBad = "warning 19/0";
    const Case cases[] = {
        {"bad address in the middle",
         "#192.0.2.9:27015#\r\n#192.0.2.0:27015#\r\n#192.0.2.1:27015#\r\n",
         {"192.0.2.1:27015", "192.0.2.9:27015"}, // the held row, then the imported one
         {addressThenList, listBad}},
        {"trailing blank line, repeats, text after the hash, any first byte",
         "#192.0.2.9:27015#\r\nx192.0.2.9:27015# trailing\n#192.0.2.1:27015#\r\n"
         "#255.255.255.254:65535#\r\n\r\n",
         {"192.0.2.1:27015", "192.0.2.9:27015", "255.255.255.254:65535"},
         {addressThenList, listBad}},
        {"bad port",
         "#192.0.2.9:27015#\r\n#192.0.2.8:0#\r\n",
         {"192.0.2.1:27015", "192.0.2.9:27015"},
         {"warning 5/0", listBad}},
        {"clean", "#192.0.2.9:27015#\r\n", {"192.0.2.1:27015", "192.0.2.9:27015"}, {}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        Lists l;
        l.Model.ServerSortColumn = ColIP;
        ServerStructure held = Row("192.0.2.1", "27015", "47", "held");
        l.Model.SearchResults.Add(held);
        dir.Write("list.txt", c.File);
        l.ImportPath = dir.File("list.txt");
        int notices = 0;
        l.Model.SearchResults.Listen([&](const RowsChange&) { ++notices; });
        l.Ops.ImportTextList(ServerListKind::SearchResults);
        EXPECT_EQ(Addresses(l.Model.SearchResults), c.Listed) << c.What;
        EXPECT_EQ(l.Calls, c.Warnings) << c.What;
        EXPECT_EQ(notices, 1) << c.What << ": one repaint per import";
        EXPECT_EQ(l.Model.SearchResults[0], held) << c.What;
        const ServerStructure& imported = l.Model.SearchResults[1];
        EXPECT_EQ(imported.Protocol, "00");
        EXPECT_EQ(imported.Name, "");
        EXPECT_FALSE(imported.Alive || imported.Answered);
    }
}

TEST(ListOperationsTest, ExportWritesTheShownRowsAndImportReadsThemBack) {
    TempDir dir;
    Lists l;
    l.Show = FavoriteShow::Only15;
    l.Model.Favorites.Add(Row("255.255.255.254", "65535", "46"));
    l.Model.Favorites.Add(Row("192.0.2.2", "27015", "47"));
    l.Model.Favorites.Add(Row("192.0.2.3", "27016", "00"));
    l.ExportPath = dir.File("out.txt");
    l.Ops.ExportTextList(ServerListKind::Favorites);
    EXPECT_EQ(dir.Read("out.txt"), "#255.255.255.254:65535#\r\n#192.0.2.3:27016#\r\n");

    Lists other;
    other.ImportPath = l.ExportPath;
    other.Ops.ImportTextList(ServerListKind::Favorites);
    EXPECT_EQ(Addresses(other.Model.Favorites),
              (std::vector<std::string>{"255.255.255.254:65535", "192.0.2.3:27016"}));
    EXPECT_EQ(other.Calls, std::vector<std::string>{"rebuild"});

    // Cancelled dialogs do nothing; a file that cannot be made or read says so.
    other.Calls.clear();
    other.ExportPath.clear();
    other.ImportPath.clear();
    other.Ops.ExportTextList(ServerListKind::Favorites);
    other.Ops.ImportTextList(ServerListKind::Favorites);
    EXPECT_TRUE(other.Calls.empty());
    other.ExportPath = dir.File("no/such/folder/out.txt");
    other.ImportPath = dir.File("missing.txt");
    other.Ops.ExportTextList(ServerListKind::SearchResults);
    other.Ops.ImportTextList(ServerListKind::SearchResults);
    EXPECT_EQ(other.Calls, (std::vector<std::string>{"warning 10/1", "warning 18/0"}));
}

} // namespace
