#include "ServerTreeView.h"

#include "EventHook.h"

#include <QAction>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>

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

void ServerTreeView::setModel(QAbstractItemModel* model) {
    QTreeView::setModel(model);
    if (!FitLater) {
        // Rows change at display rate during a scan; the widths follow a few times a second.
        FitLater = new QTimer(this);
        FitLater->setSingleShot(true);
        FitLater->setInterval(250);
        connect(FitLater, &QTimer::timeout, this, &ServerTreeView::FitColumns);
        // A column dragged by the user keeps the widths the user chose.
        new EventHook(header()->viewport(), [this](QEvent* event) {
            if (event->type() == QEvent::MouseButtonPress)
                HeaderPressed = true;
            else if (event->type() == QEvent::MouseButtonRelease)
                HeaderPressed = false;
            return false;
        });
        connect(header(), &QHeaderView::sectionResized, this, [this] {
            if (HeaderPressed && !Fitting)
                SizedByHand = true;
        });
    }
    if (!model)
        return;
    const auto later = [this] {
        if (!FitLater->isActive())
            FitLater->start();
    };
    connect(model, &QAbstractItemModel::rowsInserted, FitLater, later);
    connect(model, &QAbstractItemModel::rowsRemoved, FitLater, later);
    connect(model, &QAbstractItemModel::modelReset, FitLater, later);
    connect(model, &QAbstractItemModel::dataChanged, FitLater, later);
    connect(model, &QAbstractItemModel::layoutChanged, FitLater, later);
    FitColumns();
}

void ServerTreeView::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    FitColumns();
}

void ServerTreeView::FitColumns() {
    QAbstractItemModel* rows = model();
    if (!rows || SizedByHand || rows->columnCount() < 7)
        return;
    QHeaderView* head = header();
    const QFontMetrics metrics(font());
    // Room for a cell's usual text: the header's own size wins where it is wider.
    const auto atLeast = [&](int column, const QString& text) {
        return std::max(head->sectionSizeHint(column), metrics.horizontalAdvance(text) + 12);
    };
    const int widths[5] = {atLeast(2, QStringLiteral("27015")), std::max(80, atLeast(3, {})),
                           atLeast(4, QStringLiteral("32")), atLeast(5, QStringLiteral("32")),
                           atLeast(6, QStringLiteral("9999"))};
    const int address = std::max(sizeHintForColumn(1), atLeast(1, QStringLiteral("127.0.0.1")));
    int others = address;
    for (const int width : widths)
        others += width;
    const int name = std::max(sizeHintForColumn(0), atLeast(0, {}));
    const int room = viewport()->width() - others;
    Fitting = true;
    setColumnWidth(0, std::clamp(room, MinNameWidth, std::max(name, MinNameWidth)));
    setColumnWidth(1, address);
    for (int column = 2; column < 7; ++column)
        setColumnWidth(column, widths[column - 2]);
    Fitting = false;
}

QMenu* AddSortActions(QTreeView* view, const char* name, std::function<void(int column)> click) {
    auto* menu = new QMenu(QStringLiteral("排序"), view);
    menu->setObjectName(QString::fromLatin1(name));
    menu->setAccessibleName(QStringLiteral("排序"));
    QAbstractItemModel* model = view->model();
    const int columns = std::min(model->columnCount(), 9);
    for (int column = 0; column < columns; ++column) {
        QAction* action = menu->addAction(model->headerData(column, Qt::Horizontal).toString());
        action->setObjectName(QString::fromLatin1(name) + QString::number(column));
        action->setShortcut(QKeySequence(
            QKeyCombination(Qt::ControlModifier, static_cast<Qt::Key>(Qt::Key_1 + column))));
        // Each list has its own keys: they act only while that list has the focus.
        action->setShortcutContext(Qt::WidgetShortcut);
        view->addAction(action);
        QObject::connect(action, &QAction::triggered, view, [click, column] { click(column); });
    }
    return menu;
}
