#include "FavoriteListModel.h"

#include "ServerList.h"
#include "ServerListModel.h"

#include "GbkText.h"

#include <algorithm>
#include <vector>

FavoriteListModel::FavoriteListModel(BrowserModel& model, QObject* parent)
    : QAbstractTableModel(parent), Model(model) {
    Frame.setSingleShot(true);
    Frame.setInterval(FrameMs);
    connect(&Frame, &QTimer::timeout, this, [this] { Flush(); });
    Subscription =
        Model.Favorites.Listen([this](const RowsChange& change) { OnRowsChange(change); });
    RebuildFavoriteRows(Model.Favorites, Model.FavoriteRows15, Model.FavoriteRows16);
    Count = static_cast<int>(FavoriteViewCount(Shown, Model.FavoriteRows15, Model.FavoriteRows16,
                                               Model.Favorites.size()));
}

FavoriteListModel::~FavoriteListModel() {
    Model.Favorites.Unlisten(Subscription);
}

FavoriteShow FavoriteListModel::ReadShow() const {
    if (!ShowSettings)
        return FavoriteShow::All;
    const auto [filter1, filter2] = ShowSettings();
    return FavoriteShowOf(filter1, filter2);
}

void FavoriteListModel::OnRowsChange(const RowsChange& change) {
    switch (change.Kind) {
    case RowsChangeKind::Changed:
        DirtyFirst = std::min(DirtyFirst, change.First);
        DirtyLast = std::max(DirtyLast, change.Last);
        break;
    case RowsChangeKind::Reordered:
        Reorder(change.NewPositionOf);
        return;
    case RowsChangeKind::Inserted:
    case RowsChangeKind::Removed:
        // The tables name old positions now; no row is read through them until rebuilt.
        TablesStale = true;
        DirtyFirst = SIZE_MAX;
        break;
    }
    if (!Frame.isActive())
        Frame.start();
}

void FavoriteListModel::RebuildFavoritesView() {
    Frame.stop();
    std::vector<int32_t> old15 = Model.FavoriteRows15, old16 = Model.FavoriteRows16;
    const FavoriteShow oldShow = Shown;
    RebuildFavoriteRows(Model.Favorites, Model.FavoriteRows15, Model.FavoriteRows16);
    Shown = ReadShow();
    const int count = static_cast<int>(FavoriteViewCount(
        Shown, Model.FavoriteRows15, Model.FavoriteRows16, Model.Favorites.size()));
    const bool sameRows = !TablesStale && oldShow == Shown && count == Count &&
                          old15 == Model.FavoriteRows15 && old16 == Model.FavoriteRows16;
    TablesStale = false;
    DirtyFirst = SIZE_MAX;
    if (sameRows) {
        // Nothing moved: keep the selection and just repaint.
        if (Count > 0)
            emit dataChanged(index(0, 0), index(Count - 1, ColumnCount - 1));
    } else {
        beginResetModel();
        Count = count;
        endResetModel();
    }
    if (CountChanged)
        CountChanged(Count);
}

void FavoriteListModel::Flush() {
    Frame.stop();
    if (TablesStale) {
        RebuildFavoritesView();
        return;
    }
    if (DirtyFirst != SIZE_MAX) {
        const auto [first, last] = ViewSpan(DirtyFirst, DirtyLast);
        if (first <= last)
            emit dataChanged(index(first, 0), index(last, ColumnCount - 1));
    }
    DirtyFirst = SIZE_MAX;
    DirtyLast = 0;
}

std::pair<int, int> FavoriteListModel::ViewSpan(size_t first, size_t last) const {
    if (Shown == FavoriteShow::All)
        return {static_cast<int>(first), std::min(static_cast<int>(last), Count - 1)};
    const std::vector<int32_t>& table =
        Shown == FavoriteShow::Only15 ? Model.FavoriteRows15 : Model.FavoriteRows16;
    if (Shown == FavoriteShow::None)
        return {0, -1};
    // The tables are ascending, so the shown rows of a list span are one view span.
    const auto from = std::lower_bound(table.begin(), table.end(), static_cast<int32_t>(first));
    const auto to = std::upper_bound(table.begin(), table.end(), static_cast<int32_t>(last));
    return {static_cast<int>(from - table.begin()), static_cast<int>(to - table.begin()) - 1};
}

int FavoriteListModel::ViewRowOf(size_t listPosition) const {
    if (Shown == FavoriteShow::All)
        return listPosition < static_cast<size_t>(Count) ? static_cast<int>(listPosition) : -1;
    if (Shown == FavoriteShow::None)
        return -1;
    const std::vector<int32_t>& table =
        Shown == FavoriteShow::Only15 ? Model.FavoriteRows15 : Model.FavoriteRows16;
    const auto at =
        std::lower_bound(table.begin(), table.end(), static_cast<int32_t>(listPosition));
    if (at == table.end() || *at != static_cast<int32_t>(listPosition))
        return -1;
    return static_cast<int>(at - table.begin());
}

void FavoriteListModel::Reorder(std::span<const size_t> newPositionOf) {
    if (TablesStale) {
        // Rows came or went since the last rebuild: the old view rows cannot be followed.
        RebuildFavoritesView();
        return;
    }
    Flush();
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<size_t> listOf;
    listOf.reserve(static_cast<size_t>(before.size()));
    for (const QModelIndex& i : before)
        listOf.push_back(ListPosition(i.row()).value_or(SIZE_MAX));
    RebuildFavoriteRows(Model.Favorites, Model.FavoriteRows15, Model.FavoriteRows16);
    Count = static_cast<int>(FavoriteViewCount(Shown, Model.FavoriteRows15, Model.FavoriteRows16,
                                               Model.Favorites.size()));
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype k = 0; k < before.size(); ++k) {
        const size_t old = listOf[static_cast<size_t>(k)];
        const int row = old < newPositionOf.size() ? ViewRowOf(newPositionOf[old]) : -1;
        after << (row >= 0 ? index(row, before[k].column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

std::optional<size_t> FavoriteListModel::ListPosition(int viewRow) const {
    if (viewRow < 0 || viewRow >= Count || TablesStale)
        return std::nullopt;
    return FavoriteListPosition(Shown, Model.FavoriteRows15, Model.FavoriteRows16,
                                Model.Favorites.size(), static_cast<size_t>(viewRow));
}

int FavoriteListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count;
}

int FavoriteListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FavoriteListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() < 0 || index.column() >= ColumnCount)
        return {};
    if (role != Qt::DisplayRole && index.column() != 0)
        return {};
    const std::optional<size_t> at = ListPosition(index.row());
    if (!at)
        return {};
    return ServerCellData(Model.Favorites[*at], index.column(), role);
}

QVariant FavoriteListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return {};
    static const char* const headers[ColumnCount] = {"服务器", "IP 地址", "端口", "地图",
                                                     "人数",   "上限",    "响应"};
    return QString::fromUtf8(headers[section]);
}
