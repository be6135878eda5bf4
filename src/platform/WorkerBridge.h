#pragma once

#include <QObject>

#include <atomic>
#include <functional>

// The one way from a worker thread to the thread that owns this object (the UI
// thread): Notify() from any thread, as often as it likes, makes the handler run there
// once per burst of notices, because at most one queued call is outstanding. Post() runs
// one function there (a worker's end notice). Calls still queued when the bridge is
// destroyed are dropped, so a late notice never reaches a freed owner.
class WorkerBridge : public QObject {
    Q_OBJECT
public:
    explicit WorkerBridge(std::function<void()> handler, QObject* parent = nullptr);

    // Any thread. The handler runs later on the owner's thread; a notice that arrives
    // while the handler runs queues one more run.
    void Notify();
    // Any thread. Runs `function` once on the owner's thread, after what is queued.
    void Post(std::function<void()> function);

private:
    void RunHandler();

    std::function<void()> Handler;
    std::atomic<bool> Pending{false};
};
