#pragma once

#include "Clock.h"

#include <atomic>

// A clock that moves only when told.
class FakeClock : public Clock {
public:
    uint32_t TickCount() const override { return Now.load(); }
    void Advance(uint32_t ms) { Now += ms; }
    void Set(uint32_t ms) { Now = ms; }

private:
    std::atomic<uint32_t> Now{1000};
};

// A fake clock that is the process-wide clock while it lives, for components built with
// the default clock.
class ScopedFakeClock : public FakeClock {
public:
    ScopedFakeClock() : Override(*this) {}

private:
    ScopedClock Override;
};
