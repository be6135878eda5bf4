#include "WakeSignal.h"

#include <sys/eventfd.h>
#include <unistd.h>

WakeSignal::~WakeSignal() {
    Close();
}

bool WakeSignal::Open() {
    Close();
    Bell = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    return Bell >= 0;
}

void WakeSignal::Close() {
    if (Bell >= 0) {
        ::close(static_cast<int>(Bell));
        Bell = -1;
    }
}

void WakeSignal::Ring() const {
    const uint64_t one = 1;
    // The counter is only a doorbell; a full counter still leaves the thread woken.
    [[maybe_unused]] const ssize_t written = ::write(static_cast<int>(Bell), &one, sizeof one);
}

void WakeSignal::Drain() const {
    uint64_t rung = 0;
    [[maybe_unused]] const ssize_t read = ::read(static_cast<int>(Bell), &rung, sizeof rung);
}
