// Whole-list sort of a 100,000-row store by each of the seven columns in both directions
// (best of 3, against std::stable_sort of the column's plain std::string texts measured in
// the same run), the memory one row costs in the store, and how many cells one repaint of
// each server view asks its model for. Offscreen; no network.
#include "BrowserModel.h"
#include "FavoriteListModel.h"
#include "Gbk.h"
#include "ServerList.h"
#include "ServerListModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QTreeView>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr size_t RowCount = 100000;

std::vector<ServerStructure> MakeRows() {
    std::mt19937 random(20261210);
    const std::vector<std::string> words = {G("北京"), G("网吧"), G("一号"), G("高手"),
                                            G("竞技"), G("休闲"), "CS",      "Pro",
                                            "[HK]",    G("电信"), G("网通"), "Clan"};
    const std::vector<std::string> maps = {"de_dust2", "de_inferno", "de_nuke",  "cs_assault",
                                           "de_aztec", "cs_italy",   "de_train", ""};
    std::vector<ServerStructure> rows(RowCount);
    for (size_t i = 0; i < RowCount; ++i) {
        ServerStructure& r = rows[i];
        const bool answered = random() % 10 != 0; // one in ten has not answered: empty texts
        r.IP = "10." + std::to_string(random() % 256) + "." + std::to_string(random() % 256) + "." +
               std::to_string(random() % 254 + 1);
        r.Port = std::to_string(27015 + random() % 4);
        r.Protocol = random() % 2 ? "47" : "46";
        r.Password = random() % 5 ? "0" : "1";
        if (!answered)
            continue;
        const size_t parts = 1 + random() % 4;
        for (size_t k = 0; k < parts; ++k)
            r.Name += words[random() % words.size()] + (k + 1 < parts ? " " : "");
        r.Name += " #" + std::to_string(random() % 1000);
        r.Map = maps[random() % maps.size()];
        r.MaxPlayers = std::to_string(10 + random() % 23);
        r.Players = std::to_string(random() % 33);
        r.Response = std::to_string(random() % 400);
        r.Alive = r.Answered = true;
    }
    return rows;
}

void Fill(ServerRows& store, const std::vector<ServerStructure>& rows) {
    store.Clear();
    for (const ServerStructure& row : rows)
        store.Add(row);
}

double Ms(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Counts the cells a view asks for.
template <class Base> class Counting : public Base {
public:
    using Base::Base;
    mutable size_t Calls = 0;
    mutable std::set<int> Rows; // distinct rows asked for
    QVariant data(const QModelIndex& index, int role) const override {
        ++Calls;
        Rows.insert(index.row());
        return Base::data(index, role);
    }
};

struct Repaint {
    size_t Calls;
    size_t RowsAsked;
    int VisibleRows;
};

template <class Model> Repaint CountRepaint(Model& model) {
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setRootIsDecorated(false);
    view.setModel(&model);
    view.resize(895, 602);
    view.show();
    QApplication::processEvents();
    model.Calls = 0;
    model.Rows.clear();
    view.viewport()->repaint();
    const int rowHeight = std::max(1, view.sizeHintForRow(0));
    return {model.Calls, model.Rows.size(), view.viewport()->height() / rowHeight + 1};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::vector<ServerStructure> rows = MakeRows();

    // Memory: a fresh store filled with the rows, measured by the allocator.
    size_t bytesPerRow = 0;
    {
        const size_t before = mallinfo2().uordblks;
        auto store = std::make_unique<ServerRows>();
        for (const ServerStructure& row : rows)
            store->Add(row);
        bytesPerRow = (mallinfo2().uordblks - before) / RowCount;
    }

    struct Figure {
        int Column;
        bool Ascending;
        double SortMs, BaselineMs;
    };
    std::vector<Figure> figures;
    ServerRows store;
    for (int column = 0; column < 7; ++column) {
        for (const bool ascending : {true, false}) {
            double best = 1e9, baseline = 1e9;
            for (int run = 0; run < 3; ++run) {
                Fill(store, rows);
                auto t0 = std::chrono::steady_clock::now();
                store.Sort(column, ascending);
                best = std::min(best, Ms(std::chrono::steady_clock::now() - t0));

                std::vector<std::string> keys;
                keys.reserve(RowCount);
                for (const ServerStructure& row : rows)
                    keys.push_back(ColumnText(row, column));
                t0 = std::chrono::steady_clock::now();
                if (ascending)
                    std::stable_sort(keys.begin(), keys.end());
                else
                    std::stable_sort(keys.begin(), keys.end(), std::greater<>());
                baseline = std::min(baseline, Ms(std::chrono::steady_clock::now() - t0));
            }
            figures.push_back({column, ascending, best, baseline});
        }
    }

    // One repaint of each server view over 100,000 rows.
    Fill(store, rows);
    Counting<ServerListModel> results(store);
    const Repaint resultsRepaint = CountRepaint(results);
    BrowserModel model;
    Fill(model.Favorites, rows);
    Counting<FavoriteListModel> favorites(model);
    favorites.ShowSettings = [] { return std::pair<std::string, std::string>("1", "0"); };
    favorites.RebuildFavoritesView();
    const Repaint favoritesRepaint = CountRepaint(favorites);

    static const char* const names[7] = {"name", "ip", "port", "map", "players", "max", "response"};
    std::printf("bench_list_sort: %zu rows, best of 3 per sort (target < 100 ms)\n", RowCount);
    std::printf("%-9s %-5s %10s %14s %7s\n", "column", "dir", "sort ms", "baseline ms", "ratio");
    double worst = 0;
    for (const Figure& f : figures) {
        worst = std::max(worst, f.SortMs);
        std::printf("%-9s %-5s %10.1f %14.1f %7.2f\n", names[f.Column],
                    f.Ascending ? "asc" : "desc", f.SortMs, f.BaselineMs, f.SortMs / f.BaselineMs);
    }
    std::printf("slowest sort: %.1f ms\n", worst);
    std::printf("memory per row in the store: %zu bytes (target < 1024)\n", bytesPerRow);
    std::printf("one repaint of ListView_Server (895x602, %zu rows): %zu data() calls for %zu "
                "distinct rows; %d rows fit the viewport\n",
                RowCount, resultsRepaint.Calls, resultsRepaint.RowsAsked,
                resultsRepaint.VisibleRows);
    std::printf("one repaint of ListView_Favorite (CS 1.5 only, %d rows): %zu data() calls for "
                "%zu distinct rows; %d rows fit the viewport\n",
                favorites.rowCount(), favoritesRepaint.Calls, favoritesRepaint.RowsAsked,
                favoritesRepaint.VisibleRows);
    return 0;
}
