#pragma once

#include <QElapsedTimer>
#include <QTimer>

// The longest time the UI thread could not run a 1 ms timer, from its construction (or
// the latest Reset) on: on the wall clock (LongestMs, which includes any time the
// scheduler gave other threads), and in the UI thread's own processor time (LongestWorkMs,
// the longest stretch of the thread's own work between two ticks).
class StallProbe {
public:
    StallProbe();
    void Reset();
    double LongestMs() const;
    double LongestWorkMs() const;

private:
    QTimer Timer;
    QElapsedTimer Clock;
    qint64 Last = -1, Longest = 0;
    qint64 LastWork = -1, LongestWork = 0;
};
