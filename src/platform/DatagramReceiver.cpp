#include "DatagramReceiver.h"

#include <algorithm>
#include <system_error>

DatagramReceiver::DatagramReceiver(const UdpSocket& socket, std::function<void()> onQueued,
                                   size_t maxQueued)
    : Socket(socket), OnQueued(std::move(onQueued)), QueueLimit(std::max<size_t>(maxQueued, 1)) {}

DatagramReceiver::~DatagramReceiver() {
    Stop();
}

bool DatagramReceiver::Start() {
    Stop();
    if (!Bell.Open()) {
        return false;
    }
    {
        std::lock_guard lock(Mutex);
        StopRequested = false;
    }
    try {
        Thread = std::thread(&DatagramReceiver::Run, this);
    } catch (const std::system_error&) {
        Bell.Close();
        return false;
    }
    return true;
}

void DatagramReceiver::Stop() {
    if (Thread.joinable()) {
        {
            std::lock_guard lock(Mutex);
            StopRequested = true;
        }
        Room.notify_all();
        Wake();
        Thread.join();
    }
    Bell.Close();
    std::lock_guard lock(Mutex);
    Queue.clear();
    QueueBytes = 0;
    QueuedDatagrams = 0;
}

void DatagramReceiver::Wake() {
    Bell.Ring();
}

bool DatagramReceiver::Take(Batch& out) {
    bool hadRoom = true;
    {
        std::lock_guard lock(Mutex);
        if (Queue.empty()) {
            return false;
        }
        hadRoom = QueuedDatagrams < QueueLimit && QueueBytes < MaxQueuedBytes;
        out = std::move(Queue.front());
        Queue.pop_front();
        QueueBytes -= out.Bytes.size();
        QueuedDatagrams -= out.Arrivals.size();
    }
    if (!hadRoom) {
        Room.notify_all();
    }
    return true;
}

void DatagramReceiver::Run() {
    // Slots live on the heap: 64 of 2 KiB are too much for a thread's stack to carry.
    auto slots = std::make_unique<UdpSocket::Slot[]>(UdpSocket::BatchSize);
    UdpSocket::ReceiveResult results[UdpSocket::BatchSize];
    for (;;) {
        {
            // A full queue stops the reading; the system's buffer holds the rest meanwhile.
            std::unique_lock lock(Mutex);
            Room.wait(lock, [this] {
                return StopRequested ||
                       (QueuedDatagrams < QueueLimit && QueueBytes < MaxQueuedBytes);
            });
            if (StopRequested) {
                return;
            }
        }
        const int count = Socket.ReceiveBatch({slots.get(), UdpSocket::BatchSize},
                                              {results, UdpSocket::BatchSize});
        if (count == 0) {
            Socket.WaitReadable(Bell.Handle(), -1);
            Bell.Drain();
            continue;
        }
        Batch batch;
        size_t bytes = 0;
        for (int i = 0; i < count; ++i) {
            bytes += results[i].Length > 0 ? static_cast<size_t>(results[i].Length) : 0;
        }
        batch.Bytes.resize(bytes);
        batch.Arrivals.reserve(static_cast<size_t>(count));
        uint32_t offset = 0;
        for (int i = 0; i < count; ++i) {
            const UdpSocket::ReceiveResult& result = results[i];
            Arrival arrival{-1, offset, result.From, result.FromPort};
            if (result.Status == UdpSocket::ReceiveStatus::Datagram) {
                arrival.Length = result.Length;
                std::copy_n(slots[i].Bytes, result.Length, batch.Bytes.data() + offset);
                offset += static_cast<uint32_t>(result.Length);
            }
            batch.Arrivals.push_back(arrival);
        }
        const AnswerTest test = Test.load(std::memory_order_acquire);
        uint64_t answers = 0;
        for (const Arrival& arrival : batch.Arrivals) {
            if (test == nullptr ||
                (arrival.Length > 0 &&
                 test({batch.Bytes.data() + arrival.Offset, static_cast<size_t>(arrival.Length)})))
                ++answers;
        }
        AnswerCount.fetch_add(answers, std::memory_order_release);
        ReadCount.fetch_add(static_cast<uint64_t>(count), std::memory_order_release);
        bool wasEmpty = false;
        {
            std::lock_guard lock(Mutex);
            wasEmpty = Queue.empty();
            QueueBytes += batch.Bytes.size();
            QueuedDatagrams += batch.Arrivals.size();
            Queue.push_back(std::move(batch));
        }
        if (wasEmpty && OnQueued) {
            OnQueued();
        }
    }
}
