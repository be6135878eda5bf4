#pragma once

#include <cstdint>

// Millisecond ticks, wrapping at 2^32 like the system tick count. Injected so that
// timing rules are tested without sleeping.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t TickCount() const = 0;
};

// The monotonic system clock.
class SystemClock : public Clock {
public:
    uint32_t TickCount() const override;
    static SystemClock& Instance();
};
