// The two server views: the favorites view over its index tables, the row icons, the
// header sorting of both views, and a picked row asking for its server's details.
#include "TForm1.h"

#include "DetailsController.h"
#include "FavoriteListModel.h"
#include "ListOperations.h"
#include "ListSorting.h"
#include "RowIconDelegate.h"
#include "ServerListModel.h"
#include "ServerTreeView.h"
#include "WidgetText.h"

#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPalette>
#include <QTreeView>

#include <functional>
#include <memory>

namespace {

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
        // A click is taken by the view's mouse-down handler; a selected row that becomes
        // current otherwise (keys, code, an accessibility action) is picked the same way.
        auto* serverView = static_cast<ServerTreeView*>(view);
        connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this, serverView](const QModelIndex& current) {
                    if (!current.isValid() || serverView->TakingMousePress() ||
                        !serverView->selectionModel()->isRowSelected(current.row(), {}))
                        return;
                    Lists->RowPicked(serverView == ListView_Server ? ServerListKind::SearchResults
                                                                   : ServerListKind::Favorites,
                                     current.row());
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

    // The header sort by keys and from the pop-up menus, where screen readers find it.
    PopupMenu2->addSeparator();
    PopupMenu2->addMenu(AddSortActions(ListView_Server, "Menu_SortServer",
                                       [this](int column) { ListView_ServerColumnClick(column); }));
    PopupMenu3->addSeparator();
    PopupMenu3->addMenu(AddSortActions(ListView_Favorite, "Menu_SortFavorite", [this](int column) {
        ListView_FavoriteColumnClick(column);
    }));
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
