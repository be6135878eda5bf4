#include "WorkerBridge.h"

WorkerBridge::WorkerBridge(std::function<void()> handler, QObject* parent)
    : QObject(parent), Handler(std::move(handler)) {}

void WorkerBridge::Notify() {
    if (!Pending.exchange(true, std::memory_order_acq_rel)) {
        QMetaObject::invokeMethod(this, &WorkerBridge::RunHandler, Qt::QueuedConnection);
    }
}

void WorkerBridge::Post(std::function<void()> function) {
    QMetaObject::invokeMethod(this, std::move(function), Qt::QueuedConnection);
}

void WorkerBridge::RunHandler() {
    // Cleared first, so a notice given while the handler runs is never lost.
    Pending.store(false, std::memory_order_release);
    if (Handler) {
        Handler();
    }
}
