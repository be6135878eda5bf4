#include "ServerListModel.h"

#include "AnswerRecord.h"
#include "ServerList.h"

#include "GbkText.h"

#include <algorithm>

namespace {

QString FromGbk(const std::string& text) {
    return GbkToQString(text);
}

} // namespace

int RowImageIndex(const ServerStructure& row) {
    if (!row.Alive)
        return 0;
    if (row.Password == "0" && row.Protocol == "46")
        return 1;
    if (row.Password == "0" && row.Protocol == "47")
        return 2;
    if (row.Password == "1" && row.Protocol == "46")
        return 3;
    if (row.Password == "1" && row.Protocol == "47")
        return 4;
    return -1;
}

std::string RowVersionText(const ServerStructure& row) {
    if (!IsCounterStrikeFolder(row.GameFolder))
        return row.GameFolder;
    if (row.Protocol == "46")
        return "CS 1.5";
    if (row.Protocol == "47")
        return "CS 1.6";
    return {};
}

std::string RowNameText(const ServerStructure& row) {
    if (IsCounterStrikeFolder(row.GameFolder))
        return row.Name;
    return "[" + row.GameFolder + "] " + row.Name;
}

QVariant ServerCellData(const ServerStructure& row, int column, int role) {
    if (role == Qt::DisplayRole)
        return FromGbk(column == ColName ? RowNameText(row) : ColumnText(row, column));
    if (column != ColName)
        return {};
    if (role == ServerListModel::ImageIndexRole)
        return RowImageIndex(row);
    if (role == Qt::ToolTipRole) {
        const std::string version = RowVersionText(row);
        return version.empty() ? QVariant() : QVariant(FromGbk(version));
    }
    return {};
}

ServerListModel::ServerListModel(const ServerRows& rows, QObject* parent)
    : QAbstractTableModel(parent), List(rows), Shown(static_cast<int>(rows.size())) {
    Frame.setSingleShot(true);
    Frame.setInterval(FrameMs);
    connect(&Frame, &QTimer::timeout, this, [this] { Flush(); });
    Subscription = List.Listen([this](const RowsChange& change) { OnRowsChange(change); });
}

ServerListModel::~ServerListModel() {
    List.Unlisten(Subscription);
}

void ServerListModel::OnRowsChange(const RowsChange& change) {
    switch (change.Kind) {
    case RowsChangeKind::Inserted:
        // Ascending new positions: each stands where it will stand once the earlier ones do.
        for (const size_t p : change.Positions)
            NoteInserted(static_cast<int>(p));
        break;
    case RowsChangeKind::Removed:
        // From the highest down, so every old position still means the same row.
        for (auto it = change.Positions.rbegin(); it != change.Positions.rend(); ++it)
            NoteRemoved(static_cast<int>(*it));
        break;
    case RowsChangeKind::Changed:
        NoteChanged(static_cast<int>(change.First), static_cast<int>(change.Last));
        break;
    case RowsChangeKind::Reordered:
        Reorder(change.NewPositionOf);
        return;
    }
    if (!Frame.isActive())
        Frame.start();
}

void ServerListModel::NoteInserted(int position) {
    // A row inserted inside or at either end of the previous run extends it.
    PendingOp* last = Ops.empty() ? nullptr : &Ops.back();
    if (last && last->Insert && position >= last->First && position <= last->First + last->Count)
        ++last->Count;
    else
        Ops.push_back({true, position, 1});
    if (DirtyFirst >= 0) {
        if (DirtyFirst >= position)
            ++DirtyFirst;
        if (DirtyLast >= position)
            ++DirtyLast;
    }
}

void ServerListModel::NoteRemoved(int position) {
    // A row removed just before or at the start of the previous run extends it.
    PendingOp* last = Ops.empty() ? nullptr : &Ops.back();
    if (last && !last->Insert && (position + 1 == last->First || position == last->First)) {
        last->First = position;
        ++last->Count;
    } else {
        Ops.push_back({false, position, 1});
    }
    if (DirtyFirst >= 0 && DirtyLast >= position) {
        if (DirtyFirst > position)
            --DirtyFirst;
        --DirtyLast;
        if (DirtyLast < DirtyFirst)
            DirtyFirst = DirtyLast = -1;
    }
}

void ServerListModel::NoteChanged(int first, int last) {
    if (DirtyFirst < 0) {
        DirtyFirst = first;
        DirtyLast = last;
        return;
    }
    DirtyFirst = std::min(DirtyFirst, first);
    DirtyLast = std::max(DirtyLast, last);
}

void ServerListModel::Flush() {
    Frame.stop();
    const int before = Shown;
    for (const PendingOp& op : Ops) {
        if (op.Insert) {
            beginInsertRows({}, op.First, op.First + op.Count - 1);
            Shown += op.Count;
            ++Told;
            endInsertRows();
        } else {
            beginRemoveRows({}, op.First, op.First + op.Count - 1);
            Shown -= op.Count;
            ++Told;
            endRemoveRows();
        }
    }
    Ops.clear();
    Told = 0;
    if (Shown != static_cast<int>(List.size())) {
        // Only a listener that missed a notice gets here; start over rather than lie.
        beginResetModel();
        Shown = static_cast<int>(List.size());
        endResetModel();
    }
    if (DirtyFirst >= 0 && DirtyFirst < Shown)
        emit dataChanged(index(DirtyFirst, 0),
                         index(std::min(DirtyLast, Shown - 1), ColumnCount - 1));
    DirtyFirst = DirtyLast = -1;
    if (Shown != before && CountChanged)
        CountChanged(Shown);
}

std::optional<size_t> ServerListModel::ListPosition(int viewRow) const {
    // Through the changes the view has not been told yet, so it never sees a row shift.
    int64_t r = viewRow;
    for (size_t k = Told; k < Ops.size() && r >= 0; ++k) {
        const PendingOp& op = Ops[k];
        if (op.Insert) {
            if (r >= op.First)
                r += op.Count;
        } else if (r >= op.First + op.Count) {
            r -= op.Count;
        } else if (r >= op.First) {
            return std::nullopt; // removed; the view learns it at the next frame
        }
    }
    if (r < 0 || static_cast<uint64_t>(r) >= List.size())
        return std::nullopt;
    return static_cast<size_t>(r);
}

void ServerListModel::Reorder(std::span<const size_t> newPositionOf) {
    // Earlier changes are told in the order they happened, before the rows move.
    Flush();
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before) {
        const size_t row = static_cast<size_t>(i.row());
        after << (row < newPositionOf.size()
                      ? index(static_cast<int>(newPositionOf[row]), i.column())
                      : QModelIndex());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int ServerListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Shown;
}

int ServerListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ServerListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() < 0 || index.column() >= ColumnCount)
        return {};
    const std::optional<size_t> at = ListPosition(index.row());
    if (!at)
        return {};
    return ServerCellData(List[*at], index.column(), role);
}

QVariant ServerListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return {};
    static const char* const headers[ColumnCount] = {"服务器", "IP 地址", "端口", "地图",
                                                     "人数",   "上限",    "响应"};
    return QString::fromUtf8(headers[section]);
}
