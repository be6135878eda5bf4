// The user's operations on the two server views: the tool bar, the context menus, the
// keys and clicks of the views, the clipboard and the text lists.
#include "TForm1.h"

#include "DetailsController.h"
#include "Dialogs.h"
#include "FavoriteListModel.h"
#include "ListOperations.h"
#include "ServerListModel.h"
#include "ServerTreeView.h"
#include "TForm_Warnning.h"
#include "WidgetText.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>

#include <algorithm>

namespace {

std::string PickedPath(QFileDialog* dialog) {
    const QString file = Dialogs::PickFile(*dialog);
    return file.isEmpty() ? std::string() : QFile::encodeName(file).toStdString();
}

} // namespace

void TForm1::BuildListOperations() {
    Lists = std::make_unique<ListOperations>(Browser);
    ListOperations& ops = *Lists;
    ops.FavoritePosition = [this](int viewRow) {
        FavoritesModel->Flush();
        return FavoritesModel->ListPosition(viewRow);
    };
    ops.FavoriteViewRows = [this] {
        FavoritesModel->Flush();
        return FavoritesModel->rowCount();
    };
    ops.RebuildFavoritesView = [this] { RebuildFavoritesView(); };
    ops.SetClipboard = [](const std::string& text) {
        QGuiApplication::clipboard()->setText(ToQ(text));
    };
    ops.PickExportFile = [this] { return PickedPath(SaveDialog1); };
    ops.PickImportFile = [this] { return PickedPath(OpenDialog2); };
    ops.ShowWarning = [this](MessageIndex text, MessageIndex caption) {
        ShowWarning(MessageTable[text], MessageTable[caption]);
    };
    ops.DeselectAll = [this](ServerListKind other) {
        (other == ServerListKind::SearchResults ? ListView_Server : ListView_Favorite)
            ->clearSelection();
    };
    ops.ForgetPickedServer = [this] { Details->ForgetPicked(); };
    ops.AutoJoinDown = [this] { return ToolButton_AutoJoin->isChecked(); };
    ops.SetAutoJoinTarget = [this](const std::string& name, const std::string& ip,
                                   const std::string& port) {
        Edit_Auto1->setText(ToQ(name));
        Edit_Auto2->setText(ToQ(ip));
        Edit_Auto3->setText(ToQ(port));
    };
    ops.JoinSelectedServer = [this] { JoinSelectedServer(); };
    ops.RequestDetails = [this](ServerRows& list, size_t position) {
        Details->RequestDetails(list, position);
    };

    connect(ToolButton_AddToFavorite, &QToolButton::clicked, this,
            &TForm1::ToolButton_AddToFavoriteClick);
    connect(ToolButton_AddToServer, &QToolButton::clicked, this,
            &TForm1::ToolButton_AddToServerClick);
    connect(ToolButton_DeleteServer, &QToolButton::clicked, this,
            &TForm1::ToolButton_DeleteServerClick);
    connect(ToolButton_CopyToClipboard, &QToolButton::clicked, this,
            &TForm1::ToolButton_CopyToClipboardClick);
    const auto item = [this](QAction* action, void (TForm1::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    item(P1, &TForm1::JoinSelectedServer);
    item(Q1, &TForm1::JoinSelectedServer);
    connect(P2, &QAction::triggered, this, [this] { StartAutoJoin(ListView_Server); });
    connect(Q2, &QAction::triggered, this, [this] { StartAutoJoin(ListView_Favorite); });
    item(P4, &TForm1::ToolButton_AddToFavoriteClick);
    item(Q3, &TForm1::ToolButton_AddToServerClick);
    item(P3, &TForm1::ToolButton_CopyToClipboardClick);
    item(Q4, &TForm1::ToolButton_CopyToClipboardClick);
    item(P5, &TForm1::ToolButton_DeleteServerClick);
    item(Q6, &TForm1::ToolButton_DeleteServerClick);
    item(P6, &TForm1::P6Click);
    item(Q7, &TForm1::Q7Click);
    for (QAction* action : {N16, N19, N26})
        item(action, &TForm1::N16Click);
    for (QAction* action : {N18, N23, Q9})
        item(action, &TForm1::N18Click);
    for (QAction* action : {N7, MenuItem1, N25})
        item(action, &TForm1::N7Click);
    for (QAction* action : {N13, MenuItem3, Q8})
        item(action, &TForm1::N13Click);

    ListView_Server->KeyDown = [this](QKeyEvent* event) { return ListView_ServerKeyDown(event); };
    ListView_Favorite->KeyDown = [this](QKeyEvent* event) {
        return ListView_FavoriteKeyDown(event);
    };
    ListView_Server->MouseDown = [this](QMouseEvent* event) { ListView_ServerMouseDown(event); };
    ListView_Favorite->MouseDown = [this](QMouseEvent* event) {
        ListView_FavoriteMouseDown(event);
    };
    connect(ListView_Server, &QWidget::customContextMenuRequested, this, &TForm1::PopupMenu2Popup);
    connect(ListView_Favorite, &QWidget::customContextMenuRequested, this,
            &TForm1::PopupMenu3Popup);
}

std::vector<int> TForm1::SelectedRows(QTreeView* view) const {
    // Changes wait for the next display frame; the selection counts in the rows the view
    // will show, so every waiting change is told first.
    if (view == ListView_Server)
        SearchResultsModel->Flush();
    else
        FavoritesModel->Flush();
    std::vector<int> rows;
    for (const QModelIndex& index : view->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TForm1::ToolButton_AddToFavoriteClick() {
    Lists->AddToFavorites(SelectedRows(ListView_Server));
}

void TForm1::ToolButton_AddToServerClick() {
    Lists->AddToSearchResults(SelectedRows(ListView_Favorite));
}

void TForm1::ToolButton_DeleteServerClick() {
    // Both selections are read before either list changes.
    const std::vector<int> search = SelectedRows(ListView_Server);
    const std::vector<int> favorites = SelectedRows(ListView_Favorite);
    Lists->DeleteSelected(search, favorites);
}

void TForm1::ToolButton_CopyToClipboardClick() {
    Lists->CopyToClipboard(SelectedRows(ListView_Server), SelectedRows(ListView_Favorite));
}

void TForm1::P6Click() {
    Lists->DeleteAll(ServerListKind::SearchResults);
}

void TForm1::Q7Click() {
    Lists->DeleteAll(ServerListKind::Favorites);
}

void TForm1::N16Click() {
    Lists->ExportTextList(ServerListKind::SearchResults);
}

void TForm1::N18Click() {
    Lists->ExportTextList(ServerListKind::Favorites);
}

void TForm1::N7Click() {
    Lists->ImportTextList(ServerListKind::SearchResults);
}

void TForm1::N13Click() {
    Lists->ImportTextList(ServerListKind::Favorites);
}

namespace {

// Delete, Ctrl+A, Ctrl+C (alternatives, in this order), then Enter.
bool ServerViewKey(QKeyEvent* event, QTreeView* view, const std::function<void()>& deleteRows,
                   const std::function<void()>& copyRows, const std::function<void()>& join,
                   const std::function<bool()>& anySelected) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    bool taken = false;
    if (event->key() == Qt::Key_Delete) {
        deleteRows();
        taken = true;
    } else if (ctrl && event->key() == Qt::Key_A) {
        view->selectAll();
        taken = true;
    } else if (ctrl && event->key() == Qt::Key_C) {
        copyRows();
        taken = true;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (anySelected())
            join();
        taken = true;
    }
    return taken;
}

} // namespace

bool TForm1::ListView_ServerKeyDown(QKeyEvent* event) {
    return ServerViewKey(
        event, ListView_Server,
        [this] {
            if (ToolButton_DeleteServer->isEnabled())
                ToolButton_DeleteServerClick();
        },
        [this] { Lists->CopyToClipboard(SelectedRows(ListView_Server), {}); },
        [this] { JoinSelectedServer(); },
        [this] { return !SelectedRows(ListView_Server).empty(); });
}

bool TForm1::ListView_FavoriteKeyDown(QKeyEvent* event) {
    return ServerViewKey(
        event, ListView_Favorite,
        [this] {
            if (ToolButton_DeleteServer->isEnabled())
                ToolButton_DeleteServerClick();
        },
        [this] { Lists->CopyToClipboard({}, SelectedRows(ListView_Favorite)); },
        [this] { JoinSelectedServer(); },
        [this] { return !SelectedRows(ListView_Favorite).empty(); });
}

namespace {

// The lowest selected row after a click and whether the click point lies on it.
std::pair<std::optional<int>, bool> ClickedRow(const std::vector<int>& selected, QTreeView* view,
                                               const QPoint& point) {
    if (selected.empty())
        return {std::nullopt, false};
    const int first = selected.front();
    const QModelIndex left = view->model()->index(first, 0);
    const QModelIndex right = view->model()->index(first, view->model()->columnCount() - 1);
    const QRect bounds = view->visualRect(left).united(view->visualRect(right));
    return {first, bounds.adjusted(0, 0, 1, 1).contains(point)};
}

} // namespace

void TForm1::ListView_ServerMouseDown(QMouseEvent* event) {
    const auto [first, onRow] =
        ClickedRow(SelectedRows(ListView_Server), ListView_Server, event->position().toPoint());
    Lists->MouseDown(ServerListKind::SearchResults, event->button() == Qt::LeftButton, first,
                     onRow);
}

void TForm1::ListView_FavoriteMouseDown(QMouseEvent* event) {
    const auto [first, onRow] =
        ClickedRow(SelectedRows(ListView_Favorite), ListView_Favorite, event->position().toPoint());
    Lists->MouseDown(ServerListKind::Favorites, event->button() == Qt::LeftButton, first, onRow);
}

namespace {

void Enable(const ContextMenuEnabling& e, QAction* connect, QAction* autoConnect, QAction* copy,
            QAction* addToOther, QAction* deleteSelected, QAction* deleteAll) {
    connect->setEnabled(e.Connect);
    autoConnect->setEnabled(e.AutoConnect);
    copy->setEnabled(e.Copy);
    addToOther->setEnabled(e.AddToOther);
    deleteSelected->setEnabled(e.DeleteSelected);
    deleteAll->setEnabled(e.DeleteAll);
}

} // namespace

void TForm1::PopupMenu2Popup(const QPoint& at) {
    Enable(ContextMenuFor(SelectedRows(ListView_Server).size()), P1, P2, P3, P4, P5, P6);
    PopupMenu2->popup(ListView_Server->viewport()->mapToGlobal(at));
}

void TForm1::PopupMenu3Popup(const QPoint& at) {
    Enable(ContextMenuFor(SelectedRows(ListView_Favorite).size()), Q1, Q2, Q4, Q3, Q6, Q7);
    PopupMenu3->popup(ListView_Favorite->viewport()->mapToGlobal(at));
}
