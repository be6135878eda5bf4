#pragma once

#include <QTreeView>

#include <functional>

class QMenu;
class QTimer;

// Sorting without a mouse, for any list view with clickable headers: a menu "排序" with one
// item per column named by its header, each also the view's key Ctrl+1, Ctrl+2, ... while
// it has the focus; an item does what a click on that header does (the same column again
// reverses the order). Screen readers reach the items as menu items with a press action.
// The menu's objectName is `name`; its items are `name` followed by the column number.
QMenu* AddSortActions(QTreeView* view, const char* name, std::function<void(int column)> click);

// A server list view that tells the window of key presses before it handles them and of
// mouse presses after it has taken them (the selection then holds the click's outcome).
// Its name and address columns fit their contents, the name column giving way so that
// every column stays in view, until the user sizes a column by hand.
class ServerTreeView : public QTreeView {
    Q_OBJECT
public:
    using QTreeView::QTreeView;

    // True when the key was handled and the view must not handle it too.
    std::function<bool(QKeyEvent* event)> KeyDown;
    std::function<void(QMouseEvent* event)> MouseDown;
    // True while the view takes a mouse press: a row made current then is the click's.
    bool TakingMousePress() const { return InMousePress; }

    void setModel(QAbstractItemModel* model) override;
    // Sizes the columns now: the name and address columns to their contents, the name column
    // no wider than leaves the others in view (never under MinNameWidth), the others to
    // their headers and usual contents.
    void FitColumns();
    static constexpr int MinNameWidth = 60;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // The second press of a double click comes as this event; it is a press all the same.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool InMousePress = false;
    bool PressTold = false;
    bool Fitting = false;
    bool SizedByHand = false;
    bool HeaderPressed = false;
    QTimer* FitLater = nullptr;
};
