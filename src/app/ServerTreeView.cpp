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
    if (MouseDown)
        MouseDown(event);
}
