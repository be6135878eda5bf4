#include "StallProbe.h"

#include <algorithm>
#include <ctime>

namespace {

// Processor time the calling thread has used, in nanoseconds.
qint64 ThreadWorkNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

} // namespace

StallProbe::StallProbe() {
    Timer.setTimerType(Qt::PreciseTimer);
    Timer.setInterval(1);
    // The timer fires on the thread that made the probe, so the thread's processor clock is
    // the UI thread's.
    QObject::connect(&Timer, &QTimer::timeout, [this] {
        const qint64 now = Clock.nsecsElapsed();
        const qint64 work = ThreadWorkNs();
        if (Last >= 0)
            Longest = std::max(Longest, now - Last);
        if (LastWork >= 0)
            LongestWork = std::max(LongestWork, work - LastWork);
        Last = now;
        LastWork = work;
    });
    Clock.start();
    Timer.start();
}

void StallProbe::Reset() {
    Last = -1;
    Longest = 0;
    LastWork = -1;
    LongestWork = 0;
}

double StallProbe::LongestMs() const {
    return static_cast<double>(std::max<qint64>(Longest - 1'000'000, 0)) / 1e6;
}

double StallProbe::LongestWorkMs() const {
    return static_cast<double>(LongestWork) / 1e6;
}
