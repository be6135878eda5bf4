#include "Clock.h"

#include <chrono>

uint32_t SystemClock::TickCount() const {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

SystemClock& SystemClock::Instance() {
    static SystemClock clock;
    return clock;
}
