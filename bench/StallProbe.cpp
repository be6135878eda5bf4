#include "StallProbe.h"

#include <algorithm>

StallProbe::StallProbe() {
    Timer.setTimerType(Qt::PreciseTimer);
    Timer.setInterval(1);
    QObject::connect(&Timer, &QTimer::timeout, [this] {
        const qint64 now = Clock.nsecsElapsed();
        if (Last >= 0)
            Longest = std::max(Longest, now - Last);
        Last = now;
    });
    Clock.start();
    Timer.start();
}

void StallProbe::Reset() {
    Last = -1;
    Longest = 0;
}

double StallProbe::LongestMs() const {
    return static_cast<double>(std::max<qint64>(Longest - 1'000'000, 0)) / 1e6;
}
