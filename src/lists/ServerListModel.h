#pragma once

#include "ServerStructure.h"

#include <QAbstractTableModel>

// Image index of a row in ImageList2: 0 down, 1/2 open CS 1.5/1.6, 3/4 locked CS 1.5/1.6;
// -1 for a live row of any other kind (no icon).
int RowImageIndex(const ServerStructure& row);

// The virtual view of a server list (ListView_Server over SearchResults): it keeps only
// a row count and asks the list for row i whenever it needs it. The count is set by the
// owner after every change of the list; a stale count never reads past the list's end.
class ServerListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 7;
    // The row's image index as an int (see RowImageIndex).
    static constexpr int ImageIndexRole = Qt::UserRole + 1;

    explicit ServerListModel(const ServerList& list, QObject* parent = nullptr);

    // Sets the row count the view shows and repaints every row.
    void SetRowCount(int count);
    // Repaints every row (after rows changed in place or were reordered).
    void Refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const ServerList& List;
    int Rows = 0;
};
