#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

#include <functional>
#include <utility>

// Shows a widget's events to a filter before the widget gets them; the filter returns true
// for an event it took, which the widget then never sees. Lives as long as the widget.
class EventHook : public QObject {
public:
    EventHook(QWidget* widget, std::function<bool(QEvent*)> filter)
        : QObject(widget), Filter(std::move(filter)) {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override { return Filter(event); }

private:
    std::function<bool(QEvent*)> Filter;
};
