#include "ListOperations.h"

#include "Clock.h"
#include "FileAccess.h"
#include "FileReplace.h"
#include "TextServerList.h"

#include <algorithm>

ContextMenuEnabling ContextMenuFor(size_t selectedRows) {
    ContextMenuEnabling menu;
    menu.Connect = menu.AutoConnect = selectedRows == 1;
    menu.Copy = menu.AddToOther = menu.DeleteSelected = selectedRows >= 1;
    return menu;
}

namespace {

// A copy for the other list: the texts, both flags and the send time, so a copy of a row
// still waiting for its answer times that answer from its query, not from tick 0.
ServerStructure CopyForOtherList(const ServerStructure& row) {
    return row;
}

void TakeOver(ServerStructure& into, const ServerStructure& from) {
    const uint32_t sentAt = into.SentAt;
    into = from;
    into.SentAt = sentAt;
}

// Adds copies of rows to a list: a server the list holds takes over the copy's texts and
// flags in every one of its rows; a new one goes in with an empty response time at its
// place in the sort order.
void AddCopies(ServerRows& to, const std::vector<ServerStructure>& copies, int column,
               bool ascending) {
    for (const ServerStructure& copy : copies) {
        const size_t held =
            to.UpdateServer(copy.IP, copy.Port, [&](ServerStructure& row) { TakeOver(row, copy); });
        if (held == 0) {
            ServerStructure row = copy;
            row.Response.clear();
            to.InsertSorted(std::move(row), column, ascending);
        }
    }
}

} // namespace

ServerRows& ListOperations::List(ServerListKind list) const {
    return list == ServerListKind::SearchResults ? Model.SearchResults : Model.Favorites;
}

std::optional<size_t> ListOperations::Position(ServerListKind list, int viewRow) const {
    if (viewRow < 0)
        return std::nullopt;
    if (list == ServerListKind::Favorites)
        return FavoritePosition ? FavoritePosition(viewRow) : std::nullopt;
    if (static_cast<size_t>(viewRow) >= Model.SearchResults.size())
        return std::nullopt;
    return static_cast<size_t>(viewRow);
}

std::array<int32_t, 4>& ListOperations::ClickMemory(ServerListKind view) const {
    return view == ServerListKind::SearchResults ? Model.ServerClickTracking
                                                 : Model.FavoriteClickTracking;
}

std::vector<ServerStructure> ListOperations::CopiesOf(ServerListKind list,
                                                      std::span<const int> viewRows) const {
    std::vector<ServerStructure> copies;
    for (const size_t at : Positions(list, viewRows))
        copies.push_back(CopyForOtherList(List(list)[at]));
    return copies;
}

std::vector<size_t> ListOperations::Positions(ServerListKind list,
                                              std::span<const int> viewRows) const {
    std::vector<size_t> positions;
    for (const int viewRow : viewRows)
        if (const auto at = Position(list, viewRow))
            positions.push_back(*at);
    return positions;
}

void ListOperations::AddToFavorites(std::span<const int> searchRows) {
    if (searchRows.empty())
        return;
    AddCopies(Model.Favorites, CopiesOf(ServerListKind::SearchResults, searchRows),
              Model.FavoriteSortColumn, Model.FavoriteSortAscending);
    if (RebuildFavoritesView)
        RebuildFavoritesView();
}

void ListOperations::AddToSearchResults(std::span<const int> favoriteRows) {
    // Every row is mapped before the first change, while the map is the one the view shows.
    AddCopies(Model.SearchResults, CopiesOf(ServerListKind::Favorites, favoriteRows),
              Model.ServerSortColumn, Model.ServerSortAscending);
}

void ListOperations::DeleteSelected(std::span<const int> searchRows,
                                    std::span<const int> favoriteRows) {
    Model.SearchResults.RemoveRows(Positions(ServerListKind::SearchResults, searchRows));
    if (favoriteRows.empty())
        return;
    Model.Favorites.RemoveRows(Positions(ServerListKind::Favorites, favoriteRows));
    if (RebuildFavoritesView)
        RebuildFavoritesView();
}

void ListOperations::DeleteAll(ServerListKind list) {
    List(list).Clear();
    if (list == ServerListKind::Favorites && RebuildFavoritesView)
        RebuildFavoritesView();
}

std::string ListOperations::AddressLines(std::span<const int> searchRows,
                                         std::span<const int> favoriteRows) const {
    std::string text;
    const auto append = [&](ServerListKind list, std::span<const int> rows) {
        for (const int viewRow : rows)
            if (const auto at = Position(list, viewRow)) {
                const ServerStructure& row = List(list)[*at];
                text += row.IP + ":" + row.Port + "\r\n";
            }
    };
    append(ServerListKind::SearchResults, searchRows);
    append(ServerListKind::Favorites, favoriteRows);
    return text;
}

void ListOperations::CopyToClipboard(std::span<const int> searchRows,
                                     std::span<const int> favoriteRows) {
    if (SetClipboard)
        SetClipboard(AddressLines(searchRows, favoriteRows));
}

std::vector<ServerStructure> ListOperations::ShownRows(ServerListKind list) const {
    if (list == ServerListKind::SearchResults)
        return {Model.SearchResults.begin(), Model.SearchResults.end()};
    std::vector<ServerStructure> rows;
    const int count = FavoriteViewRows ? FavoriteViewRows() : 0;
    for (int viewRow = 0; viewRow < count; ++viewRow)
        if (const auto at = Position(ServerListKind::Favorites, viewRow))
            rows.push_back(Model.Favorites[*at]);
    return rows;
}

void ListOperations::ExportTextList(ServerListKind list) {
    const std::string path = PickExportFile ? PickExportFile() : std::string();
    if (path.empty())
        return;
    if (!ReplaceFile(path, TextListBytes(ShownRows(list))) && ShowWarning)
        ShowWarning(MsgCannotCreateText, MsgError);
}

void ListOperations::ImportTextList(ServerListKind list) {
    const std::string path = PickImportFile ? PickImportFile() : std::string();
    if (path.empty())
        return;
    const std::optional<std::string> bytes = ReadFileBytes(path);
    if (!bytes) {
        if (ShowWarning)
            ShowWarning(MsgCannotOpenList, MsgNotice);
        return;
    }
    TextListImport read = ParseTextList(*bytes);
    ServerRows& target = List(list);
    std::erase_if(read.Rows, [&](const ServerStructure& row) {
        return target.FindFirst(row.IP, row.Port).has_value();
    });
    // One insertion for the whole file: the views repaint once, in the order that adding
    // the lines one by one would give.
    const bool favorites = list == ServerListKind::Favorites;
    target.InsertSortedMany(std::move(read.Rows),
                            favorites ? Model.FavoriteSortColumn : Model.ServerSortColumn,
                            favorites ? Model.FavoriteSortAscending : Model.ServerSortAscending);
    if (favorites && RebuildFavoritesView)
        RebuildFavoritesView();
    if (read.BadLine && ShowWarning) {
        ShowWarning(read.CheckMessage(), MsgNotice);
        ShowWarning(MsgInvalidListEntry, MsgNotice);
    }
}

void ListOperations::MouseDown(ServerListKind view, bool leftButton,
                               std::optional<int> firstSelected, bool onRow) {
    if (DeselectAll)
        DeselectAll(view == ServerListKind::SearchResults ? ServerListKind::Favorites
                                                          : ServerListKind::SearchResults);
    if (!leftButton)
        return;
    const std::optional<size_t> at = firstSelected ? Position(view, *firstSelected) : std::nullopt;
    if (!at) {
        if (ForgetPickedServer)
            ForgetPickedServer();
        if (SetAutoJoinTarget && !(AutoJoinDown && AutoJoinDown()))
            SetAutoJoinTarget({}, {}, {});
        return;
    }
    // [0] previous index, [1] current index, [2] previous time, [3] current time.
    std::array<int32_t, 4>& memory = ClickMemory(view);
    memory[1] = *firstSelected;
    memory[3] = static_cast<int32_t>(CurrentClock().TickCount());
    if (onRow) {
        const uint32_t elapsed =
            static_cast<uint32_t>(memory[3]) - static_cast<uint32_t>(memory[2]);
        if (memory[1] == memory[0] && elapsed < DoubleClickMs && JoinSelectedServer)
            JoinSelectedServer();
        // The join may have changed the lists; the row is looked up again.
        RowPicked(view, *firstSelected);
    }
    memory[0] = memory[1];
    memory[2] = memory[3];
}

void ListOperations::RowPicked(ServerListKind view, int viewRow) {
    const std::optional<size_t> at = Position(view, viewRow);
    if (!at)
        return;
    const ServerStructure row = List(view)[*at];
    if (SetAutoJoinTarget && !(AutoJoinDown && AutoJoinDown()))
        SetAutoJoinTarget(row.Name, row.IP, row.Port);
    if (const auto first = List(view).FindFirst(row.IP, row.Port); first && RequestDetails)
        RequestDetails(List(view), *first);
}
