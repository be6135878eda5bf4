// Import of a 100,000-line text list into the search results (sorted by name, 10,000 rows
// held) and into the favorites (1,000 held), through the list operations with the views'
// models listening, against a plain read of the same file (read and split into lines)
// measured in the same run, best of 3. Then the same lines inserted one by one, as an
// import that adds each line on its own would, to check the order is the same. No network:
// the addresses are only text.
#include "BrowserModel.h"
#include "FavoriteListModel.h"
#include "FileAccess.h"
#include "Gbk.h"
#include "LineText.h"
#include "ListOperations.h"
#include "ServerList.h"
#include "ServerListModel.h"
#include "TextServerList.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int LineCount = 100000;

std::string Address(int i) {
    return "127." + std::to_string(1 + i / 64516) + "." + std::to_string(i / 254 % 254 + 1) + "." +
           std::to_string(i % 254 + 1);
}

// Held rows answered already: names, maps and counts, tagged by version.
std::vector<ServerStructure> HeldRows(int count, int first, std::mt19937& random) {
    const std::vector<std::string> words = {G("北京"), G("网吧"), G("竞技"), "CS", "Pro", "Clan"};
    std::vector<ServerStructure> rows;
    for (int i = 0; i < count; ++i) {
        ServerStructure r;
        r.IP = Address(first + i * 13);
        r.Port = "27015";
        r.Name = words[random() % words.size()] + " #" + std::to_string(random() % 1000);
        r.Map = "de_dust2";
        r.Players = std::to_string(random() % 20);
        r.MaxPlayers = "20";
        r.Protocol = random() % 2 ? "47" : "46";
        r.Alive = r.Answered = true;
        rows.push_back(std::move(r));
    }
    return rows;
}

double Ms(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

struct Lists {
    BrowserModel Model;
    ServerListModel Results{Model.SearchResults};
    FavoriteListModel Favorites{Model};
    ListOperations Ops{Model};

    Lists(const std::vector<ServerStructure>& results, const std::vector<ServerStructure>& held,
          const std::string& path) {
        Model.ServerSortColumn = ColName;
        Model.FavoriteSortColumn = ColName;
        for (const ServerStructure& row : results)
            Model.SearchResults.InsertSorted(row, ColName, true);
        for (const ServerStructure& row : held)
            Model.Favorites.InsertSorted(row, ColName, true);
        Results.Flush();
        Favorites.RebuildFavoritesView();
        Ops.FavoritePosition = [this](int row) { return Favorites.ListPosition(row); };
        Ops.FavoriteViewRows = [this] { return Favorites.rowCount(); };
        Ops.RebuildFavoritesView = [this] { Favorites.RebuildFavoritesView(); };
        Ops.PickImportFile = [path] { return path; };
        Ops.ShowWarning = [](MessageIndex, MessageIndex) {
            std::fprintf(stderr, "the list has a bad line\n");
            std::exit(1);
        };
    }
};

// The same lines added one by one: a held or repeated server is left out, every other line
// goes in at its place in the sort order as it stands after the lines before.
void OneByOne(ServerRows& list, const std::vector<ServerStructure>& lines, int column,
              bool ascending) {
    for (const ServerStructure& row : lines)
        if (!list.FindFirst(row.IP, row.Port))
            list.InsertSorted(row, column, ascending);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::mt19937 random(20261210);
    char dirTemplate[] = "/tmp/quarrix-import-XXXXXX";
    const char* dir = mkdtemp(dirTemplate);
    if (!dir)
        return 1;
    const std::string path = std::string(dir) + "/list.txt";
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < LineCount; ++i) {
            // One line in a hundred repeats an earlier one.
            const int server = i % 100 == 99 ? static_cast<int>(random() % i) : i;
            out << "#" << Address(server) << ":" << 27015 + server % 3 << "#\r\n";
        }
    }
    const std::vector<ServerStructure> results = HeldRows(10000, 5, random);
    const std::vector<ServerStructure> favorites = HeldRows(1000, 7, random);

    double read = 1e9, intoResults = 1e9, intoFavorites = 1e9;
    size_t lines = 0, resultRows = 0, favoriteRows = 0;
    for (int round = 0; round < 3; ++round) {
        read = std::min(read, Ms([&] { lines = SplitLines(*ReadFileBytes(path)).size(); }));
        Lists a(results, favorites, path);
        intoResults = std::min(intoResults, Ms([&] {
                                   a.Ops.ImportTextList(ServerListKind::SearchResults);
                                   a.Results.Flush();
                               }));
        resultRows = a.Model.SearchResults.size();
        Lists b(results, favorites, path);
        intoFavorites = std::min(intoFavorites, Ms([&] {
                                     b.Ops.ImportTextList(ServerListKind::Favorites);
                                     b.Favorites.Flush();
                                 }));
        favoriteRows = b.Model.Favorites.size();
    }

    // The check against one-by-one insertion, timed once.
    const std::vector<ServerStructure> parsed = ParseTextList(*ReadFileBytes(path)).Rows;
    Lists bulk(results, favorites, path), single(results, favorites, path);
    bulk.Ops.ImportTextList(ServerListKind::SearchResults);
    bulk.Ops.ImportTextList(ServerListKind::Favorites);
    const double oneByOne = Ms([&] {
        OneByOne(single.Model.SearchResults, parsed, ColName, true);
        OneByOne(single.Model.Favorites, parsed, ColName, true);
    });
    const bool same =
        bulk.Model.SearchResults.Identities() == single.Model.SearchResults.Identities() &&
        bulk.Model.Favorites.Identities() == single.Model.Favorites.Identities();
    std::remove(path.c_str());
    rmdir(dir);

    std::printf("lines in the file:                %zu\n", lines);
    std::printf("search results after the import:  %zu rows\n", resultRows);
    std::printf("favorites after the import:       %zu rows\n", favoriteRows);
    std::printf("same order as one-by-one:         %s\n", same ? "yes" : "NO");
    std::printf("one-by-one, both lists:           %.1f ms\n", oneByOne);
    std::printf("plain read of the file:           %.1f ms\n", read);
    std::printf("import into the search results:   %.1f ms (%.1f x the plain read)\n", intoResults,
                intoResults / read);
    std::printf("import into the favorites:        %.1f ms (%.1f x the plain read)\n",
                intoFavorites, intoFavorites / read);
    return same ? 0 : 1;
}
