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

// The process-wide clock that components use unless one is injected. Every reading asks
// whichever clock is installed at that moment: the system clock unless a test replaced it.
const Clock& CurrentClock();

// Installs `clock` as the process-wide clock while this object lives, then puts the
// previous one back. Meant for tests; not for use while another thread installs clocks.
class ScopedClock {
public:
    explicit ScopedClock(const Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    const Clock* Previous;
};
