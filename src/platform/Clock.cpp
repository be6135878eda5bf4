#include "Clock.h"

#include <atomic>
#include <chrono>

namespace {

// Null stands for the system clock, so the pointer is set before any static constructor
// can read it; atomic because workers read it while a test replaces it.
constinit std::atomic<const Clock*> Installed{nullptr};

// Holding this instead of the installed clock lets a component see later replacements.
class InstalledClock : public Clock {
public:
    uint32_t TickCount() const override {
        const Clock* clock = Installed.load();
        return clock ? clock->TickCount() : SystemClock::Instance().TickCount();
    }
};

} // namespace

uint32_t SystemClock::TickCount() const {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

SystemClock& SystemClock::Instance() {
    static SystemClock clock;
    return clock;
}

const Clock& CurrentClock() {
    static const InstalledClock clock;
    return clock;
}

ScopedClock::ScopedClock(const Clock& clock) : Previous(Installed.exchange(&clock)) {}

ScopedClock::~ScopedClock() {
    Installed.store(Previous);
}
