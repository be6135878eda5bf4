#pragma once

#include <QTreeView>

#include <functional>

// A server list view that tells the window of key presses before it handles them and of
// mouse presses after it has taken them (the selection then holds the click's outcome).
class ServerTreeView : public QTreeView {
    Q_OBJECT
public:
    using QTreeView::QTreeView;

    // True when the key was handled and the view must not handle it too.
    std::function<bool(QKeyEvent* event)> KeyDown;
    std::function<void(QMouseEvent* event)> MouseDown;
    // True while the view takes a mouse press: a row made current then is the click's.
    bool TakingMousePress() const { return InMousePress; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // The second press of a double click comes as this event; it is a press all the same.
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool InMousePress = false;
    bool PressTold = false;
};
