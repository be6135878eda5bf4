#include "SearchThread.h"

#include "A2sProtocol.h"
#include "AddressCheck.h"
#include "QueryProtocol.h"

#include <algorithm>
#include <array>
#include <exception>

uint32_t ProgressStep(uint32_t rangeStart, uint32_t rangeEnd, size_t portCount) {
    if (rangeEnd == rangeStart)
        return ProgressMax;
    if (portCount == 0 || portCount > ProgressMax)
        return 0;
    const uint64_t addresses = (rangeEnd > rangeStart ? uint64_t{rangeEnd} - rangeStart
                                                      : uint64_t{rangeStart} - rangeEnd) +
                               1;
    const uint64_t requests = addresses * portCount; // below 2^53: no wrap
    if (requests > ProgressMax)
        return 0;
    return static_cast<uint32_t>(ProgressMax / requests);
}

uint32_t ProgressPosition(uint32_t rangeStart, uint32_t rangeEnd, size_t portCount,
                          uint64_t requests) {
    if (requests == 0)
        return 0;
    const uint64_t step = ProgressStep(rangeStart, rangeEnd, portCount);
    if (rangeEnd == rangeStart)
        return ProgressMax;
    return static_cast<uint32_t>(
        std::min<uint64_t>(step * std::min<uint64_t>(requests, ProgressMax), ProgressMax));
}

SearchThread::SearchThread(SendFunction send, const Clock& clock)
    : Send(std::move(send)), TheClock(clock) {}

SearchThread::~SearchThread() {
    Abort();
    Join();
}

void SearchThread::Start(SearchRange range, std::function<void()> onFinished) {
    if (Worker.joinable()) {
        RequestStop();
        Join();
    }
    PauseRequested = false;
    IsHeld = false;
    StopRequested = false;
    AbortRequested = false;
    IsFinished = false;
    LatestAddressPort = 0;
    Count = 0;
    Position = 0;
    Started = true;
    try {
        Worker = std::thread(&SearchThread::Run, this, std::move(range), std::move(onFinished));
    } catch (...) {
        Started = false;
        throw;
    }
}

void SearchThread::Pause() {
    PauseRequested = true;
}

void SearchThread::Continue() {
    {
        std::lock_guard lock(PauseMutex);
        PauseRequested = false;
    }
    PauseChanged.notify_all();
}

void SearchThread::RequestStop() {
    StopRequested = true;
    Continue();
}

void SearchThread::Abort() {
    AbortRequested = true;
    StopRequested = true;
    Continue();
}

void SearchThread::Join() {
    if (Worker.joinable() && Worker.get_id() != std::this_thread::get_id())
        Worker.join();
}

SearchThread::Snapshot SearchThread::Latest() const {
    Snapshot s;
    s.Count = Count.load(std::memory_order_acquire);
    const uint64_t addressPort = LatestAddressPort.load(std::memory_order_acquire);
    s.Address = static_cast<uint32_t>(addressPort >> 32);
    s.Port = static_cast<int32_t>(addressPort & 0xFFFFFFFFu);
    s.Position = Position.load(std::memory_order_acquire);
    return s;
}

bool SearchThread::WaitWhilePaused() {
    if (PauseRequested.load()) {
        std::unique_lock lock(PauseMutex);
        IsHeld = true;
        PauseChanged.wait(lock, [this] { return !PauseRequested.load() || AbortRequested.load(); });
        IsHeld = false;
    }
    return !AbortRequested.load();
}

void SearchThread::Run(SearchRange range, std::function<void()> onFinished) {
    const size_t portCount = range.PortList.size();
    const bool single = range.RangeEnd == range.RangeStart;
    const uint32_t step = ProgressStep(range.RangeStart, range.RangeEnd, portCount);
    // Both dialects' info requests: old servers answer only the text one, today's only
    // the binary one.
    const std::array<const Bytes*, 2> requests = {&InfoRequest(), &A2sInfoRequest()};
    uint64_t sent = 0;
    uint64_t position = 0;
    bool aborted = false;
    for (uint64_t a = range.RangeStart; a <= range.RangeEnd && !aborted; ++a) {
        const auto address = static_cast<uint32_t>(a);
        const uint32_t lastOctet = address & 0xFF;
        if (lastOctet != 0 && lastOctet != 255) {
            const std::string text = AddressText(address);
            for (const int32_t port : range.PortList) {
                for (const Bytes* request : requests) {
                    // The pace counts every datagram, each of which may bring an answer.
                    if (Pace)
                        Pace();
                    if (!WaitWhilePaused()) {
                        aborted = true;
                        break;
                    }
                    try {
                        Send(text, port, *request);
                    } catch (const std::exception&) {
                        // A send that cannot leave is lost like any other datagram.
                    }
                }
                if (aborted)
                    break;
                ++sent;
                position = single ? ProgressMax : std::min<uint64_t>(position + step, ProgressMax);
                LatestAddressPort.store((uint64_t{address} << 32) | static_cast<uint32_t>(port),
                                        std::memory_order_release);
                Position.store(static_cast<uint32_t>(position), std::memory_order_release);
                Count.store(sent, std::memory_order_release);
            }
        }
        if (address == range.RangeEnd || StopRequested.load())
            break;
    }
    FinishTick = TheClock.TickCount();
    IsFinished = true;
    if (onFinished)
        onFinished();
}
