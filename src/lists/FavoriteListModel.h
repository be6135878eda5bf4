#pragma once

#include "BrowserModel.h"
#include "FavoriteRows.h"

#include <QAbstractTableModel>
#include <QTimer>

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>

// The virtual view of the favorites (ListView_Favorite): view row i is the Favorites row
// that the model's FavoriteRows15/FavoriteRows16 tables name for the show settings read at
// the last RebuildFavoritesView. It keeps no row and no text. Rows changed in place are
// told to the view once per display frame; a reorder or an insertion or removal rebuilds
// the tables, at once for a reorder (so the selection follows its servers) and at the next
// frame otherwise, should no caller rebuild first. The model must outlive this object.
class FavoriteListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 7;
    static constexpr int FrameMs = 16;

    explicit FavoriteListModel(BrowserModel& model, QObject* parent = nullptr);
    ~FavoriteListModel() override;

    // Favorite/Filter1 and Favorite/Filter2 as the settings record holds them; both "1"
    // when unset.
    std::function<std::pair<std::string, std::string>()> ShowSettings;
    // After every rebuild, with the view's row count (the group caption follows it).
    std::function<void(int count)> CountChanged;

    // Rebuilds the index tables, sets the row count, reports the count and repaints.
    void RebuildFavoritesView();
    // Tells the view every change noted so far; the frame timer runs it.
    void Flush();
    bool FlushPending() const { return Frame.isActive(); }
    // The Favorites position a view row shows; none past the rows.
    std::optional<size_t> ListPosition(int viewRow) const;
    FavoriteShow Show() const { return Shown; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void OnRowsChange(const RowsChange& change);
    void Reorder(std::span<const size_t> newPositionOf);
    FavoriteShow ReadShow() const;
    int ViewRowOf(size_t listPosition) const;
    std::pair<int, int> ViewSpan(size_t first, size_t last) const;

    BrowserModel& Model;
    ServerRows::ListenerId Subscription = 0;
    FavoriteShow Shown = FavoriteShow::All;
    int Count = 0;
    bool TablesStale = false;
    size_t DirtyFirst = SIZE_MAX, DirtyLast = 0;
    QTimer Frame;
};
