#pragma once

#include <QElapsedTimer>
#include <QTimer>

// The longest time the UI thread could not run a 1 ms timer, from its construction (or
// the latest Reset) on.
class StallProbe {
public:
    StallProbe();
    void Reset();
    double LongestMs() const;

private:
    QTimer Timer;
    QElapsedTimer Clock;
    qint64 Last = -1, Longest = 0;
};
