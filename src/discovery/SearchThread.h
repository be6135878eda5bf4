#pragma once

#include "Clock.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

// Full scale of ProgressBar_Search.
constexpr uint32_t ProgressMax = 1000000;

// Progress added per request: ProgressMax for a one-address range, otherwise
// ProgressMax / (addresses × ports) rounded down, 0 above ProgressMax requests or
// without ports. Computed in 64 bits, so the whole address space neither wraps nor
// divides by zero.
uint32_t ProgressStep(uint32_t rangeStart, uint32_t rangeEnd, size_t portCount);

// Bar position after `requests` requests (the steps added up, never above ProgressMax).
uint32_t ProgressPosition(uint32_t rangeStart, uint32_t rangeEnd, size_t portCount,
                          uint64_t requests);

// What one scan walks: RangeStart..RangeEnd (RangeStart <= RangeEnd), every port of
// PortList per address, in list order.
struct SearchRange {
    uint32_t RangeStart = 0;
    uint32_t RangeEnd = 0;
    std::vector<int32_t> PortList;
};

// The SearchThread: one worker that sends the info requests of both dialects (text,
// then binary) to every address and port of a range, ascending, skipping last octets 0 and 255,
// without waiting for answers. It never touches rows or widgets; it publishes its latest request
// through atomics and calls onFinished (on the worker thread) when it has ended.
class SearchThread {
public:
    // Sends one datagram to host:port; may be called from the worker thread.
    using SendFunction =
        std::function<void(const std::string& host, int port, std::span<const uint8_t> bytes)>;

    // The latest request. Fields are read one by one, so while the walk runs they may
    // mix two neighbouring requests; once Finished() is true they are exact.
    struct Snapshot {
        uint32_t Address = 0; // of the latest request (valid when Count > 0)
        int32_t Port = 0;
        uint64_t Count = 0;    // addresses and ports asked so far (two datagrams each)
        uint32_t Position = 0; // progress bar position
    };

    // Called before every request on the worker thread; may hold the walk for a moment
    // while answers arrive faster than they are read.
    using PaceFunction = std::function<void()>;

    explicit SearchThread(SendFunction send, const Clock& clock = CurrentClock());
    // Aborts a running walk before its next request, releases a pause and joins.
    ~SearchThread();
    SearchThread(const SearchThread&) = delete;
    SearchThread& operator=(const SearchThread&) = delete;

    // The pace for the walks started from now on; none by default.
    void SetPace(PaceFunction pace) { Pace = std::move(pace); }

    // Starts a walk. A previous walk is asked to stop and joined first, so there is never
    // more than one worker. Throws std::system_error when no thread can be created.
    void Start(SearchRange range, std::function<void()> onFinished = {});

    // Holds the worker before its next request (between two requests, holding nothing).
    void Pause();
    // Lets a held worker go on.
    void Continue();
    // Stop after the ports of the current address; releases a pause so it is seen.
    void RequestStop();
    // Stop before the next request (used at destruction); releases a pause.
    void Abort();
    // Waits for the worker to end. Never call it from onFinished.
    void Join();

    bool Paused() const { return PauseRequested.load(); }
    // A stop or an abort was asked for. Any thread.
    bool Stopping() const { return StopRequested.load() || AbortRequested.load(); }
    // True while the worker waits at the pause point: no request can leave until Continue.
    bool Held() const { return IsHeld.load(); }
    // True from Start until the worker has sent its last request and taken the end tick.
    bool Active() const { return Started.load() && !IsFinished.load(); }
    bool Finished() const { return IsFinished.load(); }
    Snapshot Latest() const;
    // Tick count taken when the walk ended.
    uint32_t EndTick() const { return FinishTick.load(); }

private:
    void Run(SearchRange range, std::function<void()> onFinished);
    // False when the walk must end now (abort).
    bool WaitWhilePaused();

    SendFunction Send;
    PaceFunction Pace;
    const Clock& TheClock;

    std::mutex PauseMutex;
    std::condition_variable PauseChanged;
    std::atomic<bool> PauseRequested{false};
    std::atomic<bool> IsHeld{false};
    std::atomic<bool> StopRequested{false};
    std::atomic<bool> AbortRequested{false};
    std::atomic<bool> Started{false};
    std::atomic<bool> IsFinished{false};

    std::atomic<uint64_t> LatestAddressPort{0}; // address << 32 | port
    std::atomic<uint64_t> Count{0};
    std::atomic<uint32_t> Position{0};
    std::atomic<uint32_t> FinishTick{0};

    std::thread Worker;
};
