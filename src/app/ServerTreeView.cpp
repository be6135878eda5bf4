#include "ServerTreeView.h"

#include <QKeyEvent>
#include <QMouseEvent>

void ServerTreeView::keyPressEvent(QKeyEvent* event) {
    if (KeyDown && KeyDown(event)) {
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void ServerTreeView::mousePressEvent(QMouseEvent* event) {
    InMousePress = true;
    QTreeView::mousePressEvent(event);
    InMousePress = false;
    PressTold = true;
    if (MouseDown)
        MouseDown(event);
}

void ServerTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The view hands a double click away from the pressed row to mousePressEvent, which
    // tells of it itself.
    PressTold = false;
    InMousePress = true;
    QTreeView::mouseDoubleClickEvent(event);
    InMousePress = false;
    if (!PressTold && MouseDown)
        MouseDown(event);
}
