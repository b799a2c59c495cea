#pragma once
// A 10 ms timer on the user-interface thread that keeps the longest gap between two of its ticks:
// while the window's thread never waits on the line, no gap is much longer than the tick.

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

class StallProbe {
public:
    StallProbe()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longest_ = std::max(longest_, clock_.restart());
        });
        clock_.start();
        timer_.start();
    }
    // The longest gap between two ticks so far, in milliseconds.
    qint64 longestGapMs() const { return std::max(longest_, clock_.elapsed()); }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};
