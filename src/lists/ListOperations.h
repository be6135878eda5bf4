#pragma once

#include "BrowserModel.h"
#include "MessageTable.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The two server lists as the user names them.
enum class ServerListKind { SearchResults, Favorites };

// Which items of a server view's context menu are enabled, from its selected row count.
struct ContextMenuEnabling {
    bool Connect = false, AutoConnect = false, Copy = false, AddToOther = false;
    bool DeleteSelected = false, DeleteAll = true;
};
ContextMenuEnabling ContextMenuFor(size_t selectedRows);

// The user's operations on the rows of the two lists: adding rows of one list to the
// other, deleting, copying addresses, the text lists, and what a click on a row does. The
// search results view shows SearchResults row for row; favorites view rows reach their
// list rows through FavoritePosition. Rows are changed only through the row store, whose
// notices keep both views, their captions and any refresh pass in step (a pass walks a
// snapshot of identities, so a row deleted or added under it is skipped or left alone).
// Runs on the UI thread and touches no widget: the window's side is in the callbacks.
class ListOperations {
public:
    explicit ListOperations(BrowserModel& model) : Model(model) {}

    // ---- the window's side ----
    // The Favorites position a favorites view row shows; none past the view's rows.
    std::function<std::optional<size_t>(int viewRow)> FavoritePosition;
    // The number of rows the favorites view shows.
    std::function<int()> FavoriteViewRows;
    std::function<void()> RebuildFavoritesView;
    std::function<void(const std::string& gbkText)> SetClipboard;
    // The picked file of SaveDialog1 / OpenDialog2, in the system's own path form; "" when
    // the user cancelled.
    std::function<std::string()> PickExportFile, PickImportFile;
    // A warning box with a message table text and caption.
    std::function<void(MessageIndex text, MessageIndex caption)> ShowWarning;
    // Clicks: the selection of the other view goes; a click on empty space forgets the
    // picked server; a row click may join, fill the auto-join target and ask for details.
    std::function<void(ServerListKind other)> DeselectAll;
    std::function<void()> ForgetPickedServer;
    std::function<bool()> AutoJoinDown;
    std::function<void(const std::string& name, const std::string& ip, const std::string& port)>
        SetAutoJoinTarget;
    std::function<void()> JoinSelectedServer;
    std::function<void(ServerRows& list, size_t position)> RequestDetails;

    // ---- operations; rows are view rows, ascending ----
    void AddToFavorites(std::span<const int> searchRows);
    void AddToSearchResults(std::span<const int> favoriteRows);
    void DeleteSelected(std::span<const int> searchRows, std::span<const int> favoriteRows);
    void DeleteAll(ServerListKind list);
    // One "ip:port" CR LF line per row, search results first.
    std::string AddressLines(std::span<const int> searchRows,
                             std::span<const int> favoriteRows) const;
    void CopyToClipboard(std::span<const int> searchRows, std::span<const int> favoriteRows);
    // The rows a view shows, in its order.
    std::vector<ServerStructure> ShownRows(ServerListKind list) const;
    void ExportTextList(ServerListKind list);
    void ImportTextList(ServerListKind list);

    // A mouse button went down in a view and the view has taken the click: `firstSelected`
    // is its lowest selected row afterwards (none after a click on empty space), `onRow`
    // whether the point lies on that row.
    void MouseDown(ServerListKind view, bool leftButton, std::optional<int> firstSelected,
                   bool onRow);
    // A row was picked (clicked, or made current from the keyboard): it becomes the
    // auto-join target unless auto-join runs, and its server is asked for its details.
    void RowPicked(ServerListKind view, int viewRow);

    // The list position a view row shows; none past the view's rows. The one mapping from
    // view rows to list rows, for the join and the auto-join as for the operations here.
    std::optional<size_t> Position(ServerListKind list, int viewRow) const;

    static constexpr uint32_t DoubleClickMs = 300;

private:
    ServerRows& List(ServerListKind list) const;
    // The list positions of view rows, rows past the view left out.
    std::vector<size_t> Positions(ServerListKind list, std::span<const int> viewRows) const;
    // Copies for the other list of the rows at these view rows.
    std::vector<ServerStructure> CopiesOf(ServerListKind list, std::span<const int> viewRows) const;
    std::array<int32_t, 4>& ClickMemory(ServerListKind view) const;

    BrowserModel& Model;
};
