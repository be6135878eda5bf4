#pragma once

#include "ServerRows.h"

#include <QAbstractTableModel>
#include <QTimer>

#include <functional>
#include <optional>
#include <span>
#include <vector>

// Image index of a row in ImageList2: 0 down, 1/2 open CS 1.5/1.6, 3/4 locked CS 1.5/1.6;
// -1 for a live row of any other kind (no icon).
int RowImageIndex(const ServerStructure& row);

// The version a row's first column tells: "CS 1.5", "CS 1.6" (today's protocol 48
// included), the game folder of a server of another game, or nothing before an answer.
std::string RowVersionText(const ServerStructure& row);
// What the first column shows of a row (GBK): its name, behind "[folder] " for a server
// of another game, which has no version picture.
std::string RowNameText(const ServerStructure& row);
// The data of one cell of either server list: the text, the picture index, and the
// version as the first column's tool tip.
QVariant ServerCellData(const ServerStructure& row, int column, int role);

// The virtual view of a server list (ListView_Server over SearchResults): it keeps no
// row, only the count the view knows, and asks the list for row i whenever it needs it
// (mapped through the changes not yet told, so the view never sees rows shift). It listens to the
// list and tells the view at most once per display frame what changed since the last frame: the
// rows inserted and removed, replayed in order so persistent indexes and the selection stay on
// their servers, and one dataChanged over the span of rows changed in place. An idle list costs
// nothing: the frame timer runs only while a change waits. The list must outlive the model.
class ServerListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 7;
    static constexpr int FrameMs = 16;
    // The row's image index as an int (see RowImageIndex).
    static constexpr int ImageIndexRole = Qt::UserRole + 1;

    explicit ServerListModel(const ServerRows& rows, QObject* parent = nullptr);
    ~ServerListModel() override;

    // Tells the view every change noted so far; the frame timer runs it.
    void Flush();
    bool FlushPending() const { return Frame.isActive(); }
    // After a flush that changed the number of rows the view shows.
    std::function<void(int count)> CountChanged;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    // A structural change still to be told, in the numbering of its moment.
    struct PendingOp {
        bool Insert;
        int First;
        int Count;
    };
    void OnRowsChange(const RowsChange& change);
    void NoteInserted(int position);
    void NoteRemoved(int position);
    void NoteChanged(int first, int last);
    void Reorder(std::span<const size_t> newPositionOf);
    // The list position of a row as the view numbers it; none when it is gone.
    std::optional<size_t> ListPosition(int viewRow) const;

    const ServerRows& List;
    ServerRows::ListenerId Subscription = 0;
    int Shown = 0; // the count the view knows
    std::vector<PendingOp> Ops;
    size_t Told = 0; // Ops already replayed during a flush
    int DirtyFirst = -1, DirtyLast = -1;
    QTimer Frame;
};
