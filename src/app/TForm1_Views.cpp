// The two server views: the favorites view over its index tables, the row icons, the
// header sorting of both views, and a picked row asking for its server's details.
#include "TForm1.h"

#include "DetailsController.h"
#include "FavoriteListModel.h"
#include "ListSorting.h"
#include "RowIconDelegate.h"
#include "ServerListModel.h"
#include "WidgetText.h"

#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPalette>
#include <QTreeView>

#include <functional>
#include <memory>

namespace {

// Runs an action when a mouse button goes down on a widget, before the widget handles it.
class MousePressHook : public QObject {
public:
    MousePressHook(QWidget* widget, std::function<void()> action)
        : QObject(widget), Action(std::move(action)) {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress)
            Action();
        return false;
    }

private:
    std::function<void()> Action;
};

Qt::SortOrder Order(bool ascending) {
    return ascending ? Qt::AscendingOrder : Qt::DescendingOrder;
}

} // namespace

void TForm1::BuildViews() {
    FavoritesModel = std::make_unique<FavoriteListModel>(Browser);
    FavoritesModel->ShowSettings = [this] {
        if (!Options)
            return std::pair<std::string, std::string>("1", "1");
        return std::pair(Setting(SlotFavoriteFilter1), Setting(SlotFavoriteFilter2));
    };
    FavoritesModel->CountChanged = [this](int count) {
        SetCaption(GroupBox_Favorite, ToQ(FavoritesCaption(static_cast<size_t>(count))));
    };
    ListView_Favorite->setModel(FavoritesModel.get());
    ListView_Favorite->setItemDelegate(new RowIconDelegate(ImageList2, ListView_Favorite));
    ApplyServerColumnWidths(ListView_Favorite);
    Hooks.RebuildFavoritesView = [this] { RebuildFavoritesView(); };

    const auto wire = [this](QTreeView* view, void (TForm1::*columnClick)(int), int column,
                             bool ascending) {
        QHeaderView* header = view->header();
        header->setSectionsClickable(true);
        header->setSortIndicatorShown(true);
        header->setSortIndicator(column, Order(ascending));
        connect(header, &QHeaderView::sectionClicked, this,
                [this, columnClick](int section) { (this->*columnClick)(section); });
        // A selected row becoming current asks for its details (keys, code); a click asks
        // unless its press already did. Focus alone makes a row current without selecting
        // it, and a press makes it current before selecting it, so neither asks by itself.
        auto askedSincePress = std::make_shared<bool>(false);
        new MousePressHook(view->viewport(), [askedSincePress] { *askedSincePress = false; });
        connect(view, &QTreeView::clicked, this,
                [this, view, askedSincePress](const QModelIndex& index) {
                    if (!*askedSincePress)
                        RequestDetailsForRow(view, index.row());
                });
        connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this, view, askedSincePress](const QModelIndex& current) {
                    if (!current.isValid() ||
                        !view->selectionModel()->isRowSelected(current.row(), {}))
                        return;
                    *askedSincePress = true;
                    RequestDetailsForRow(view, current.row());
                });
        // The selection stays as visible as with focus when another control has it.
        QPalette palette = view->palette();
        for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
            palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
        view->setPalette(palette);
    };
    wire(ListView_Server, &TForm1::ListView_ServerColumnClick, Browser.ServerSortColumn,
         Browser.ServerSortAscending);
    wire(ListView_Favorite, &TForm1::ListView_FavoriteColumnClick, Browser.FavoriteSortColumn,
         Browser.FavoriteSortAscending);
}

void TForm1::RebuildFavoritesView() {
    FavoritesModel->RebuildFavoritesView();
}

void TForm1::ListView_ServerColumnClick(int column) {
    ColumnClick(Browser.ServerSortColumn, Browser.ServerSortAscending, column);
    ListView_Server->header()->setSortIndicator(column, Order(Browser.ServerSortAscending));
    // The store tells the results view how the rows moved; the selection moves with them.
    SortList(Browser.SearchResults, column, Browser.ServerSortAscending,
             [this] { RebuildFavoritesView(); });
}

void TForm1::ListView_FavoriteColumnClick(int column) {
    ColumnClick(Browser.FavoriteSortColumn, Browser.FavoriteSortAscending, column);
    ListView_Favorite->header()->setSortIndicator(column, Order(Browser.FavoriteSortAscending));
    SortList(Browser.Favorites, column, Browser.FavoriteSortAscending,
             [this] { RebuildFavoritesView(); });
}

void TForm1::RequestDetailsForRow(QTreeView* view, int viewRow) {
    const bool favorites = view == ListView_Favorite;
    ServerRows& list = favorites ? Browser.Favorites : Browser.SearchResults;
    const QModelIndex name = view->model()->index(viewRow, 0);
    const QModelIndex ip = view->model()->index(viewRow, 1);
    const QModelIndex port = view->model()->index(viewRow, 2);
    if (!name.isValid() || !Details)
        return;
    // The first row of the list with the shown address and port, as the columns read.
    const std::optional<size_t> at =
        list.FindFirst(FromQ(ip.data().toString()), FromQ(port.data().toString()));
    if (at)
        Details->RequestDetails(list, *at);
}
