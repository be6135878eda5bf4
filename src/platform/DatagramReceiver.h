#pragma once

#include "UdpSocket.h"
#include "WakeSignal.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

// Drains one socket on a thread of its own, as fast as the system delivers, into a
// bounded queue that the owner takes from at its own pace. A burst therefore waits in
// user memory instead of overflowing the socket's receive buffer while the owner is busy.
class DatagramReceiver {
public:
    // What may wait in the queue before the thread stops reading (the system's buffer
    // then takes the rest, and drops beyond it).
    static constexpr size_t MaxQueuedDatagrams = 1 << 18;
    static constexpr size_t MaxQueuedBytes = 64u << 20;

    // One arrival: Length bytes at Offset of its batch's Bytes, or a failed receive
    // (Length -1, no bytes).
    struct Arrival {
        int Length = -1;
        uint32_t Offset = 0;
        Ipv4Address From;
        int FromPort = 0;
    };
    // The arrivals of one read of the socket, in arrival order.
    struct Batch {
        std::vector<uint8_t> Bytes;
        std::vector<Arrival> Arrivals;
    };

    // Tells which arrivals count as answers (see Answers); plain, so it may run on the
    // receiving thread.
    using AnswerTest = bool (*)(std::span<const uint8_t>);

    // `socket` must stay open and unchanged from Start until Stop. `onQueued` runs on the
    // receiving thread after arrivals were queued into an empty queue; it must be cheap
    // and thread-safe (it only wakes the owner). `maxQueued` datagrams may wait before the
    // thread stops reading.
    DatagramReceiver(const UdpSocket& socket, std::function<void()> onQueued,
                     size_t maxQueued = MaxQueuedDatagrams);
    ~DatagramReceiver(); // stops
    DatagramReceiver(const DatagramReceiver&) = delete;
    DatagramReceiver& operator=(const DatagramReceiver&) = delete;

    // Starts the thread; false when no thread could be made (nothing is then received).
    bool Start();
    // Stops and joins the thread and drops whatever is still queued.
    void Stop();

    // Takes the oldest batch; false when the queue is empty. Any thread.
    bool Take(Batch& out);
    // Datagrams waiting in the queue.
    size_t Queued() const { return QueuedDatagrams.load(std::memory_order_relaxed); }
    // Datagrams read from the socket so far (failed receives included). Any thread.
    uint64_t Read() const { return ReadCount.load(std::memory_order_acquire); }
    // Of those, the ones the answer test took (all while there is none). Any thread.
    uint64_t Answers() const { return AnswerCount.load(std::memory_order_acquire); }
    // Datagrams the system dropped at the socket for want of buffer. Any thread.
    uint64_t Dropped() const { return Socket.Dropped(); }
    void SetAnswerTest(AnswerTest test) { Test.store(test, std::memory_order_release); }

private:
    void Run();
    void Wake();

    const UdpSocket& Socket;
    std::function<void()> OnQueued;
    const size_t QueueLimit;

    mutable std::mutex Mutex;
    std::condition_variable Room; // the owner took from a full queue, or a stop
    std::deque<Batch> Queue;
    size_t QueueBytes = 0;
    std::atomic<size_t> QueuedDatagrams{0};
    std::atomic<uint64_t> ReadCount{0};
    std::atomic<uint64_t> AnswerCount{0};
    std::atomic<AnswerTest> Test{nullptr};
    bool StopRequested = false;
    WakeSignal Bell; // ends the thread's wait on the socket
    std::thread Thread;
};
