#include "ServerListModel.h"

#include "ServerList.h"

#include "GbkText.h"

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

ServerListModel::ServerListModel(const ServerList& list, QObject* parent)
    : QAbstractTableModel(parent), List(list) {}

void ServerListModel::SetRowCount(int count) {
    if (count < 0)
        count = 0;
    // Grow or shrink at the end and repaint the rest: the view keeps its selection by
    // index, as a virtual list view does when its count is set.
    if (count > Rows) {
        beginInsertRows({}, Rows, count - 1);
        Rows = count;
        endInsertRows();
    } else if (count < Rows) {
        beginRemoveRows({}, count, Rows - 1);
        Rows = count;
        endRemoveRows();
    }
    Refresh();
}

void ServerListModel::Refresh() {
    if (Rows > 0)
        emit dataChanged(index(0, 0), index(Rows - 1, ColumnCount - 1));
}

int ServerListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Rows;
}

int ServerListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ServerListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || static_cast<size_t>(index.row()) >= List.size() ||
        index.column() < 0 || index.column() >= ColumnCount)
        return {};
    const ServerStructure& row = *List[static_cast<size_t>(index.row())];
    if (role == Qt::DisplayRole)
        return FromGbk(ColumnText(row, index.column()));
    if (role == ImageIndexRole && index.column() == 0)
        return RowImageIndex(row);
    return {};
}

QVariant ServerListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return {};
    static const char* const headers[ColumnCount] = {"服务器", "IP 地址", "端口", "地图",
                                                     "人数",   "上限",    "响应"};
    return QString::fromUtf8(headers[section]);
}
