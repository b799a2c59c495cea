#include "base/PortPause.h"

#include <algorithm>

PortPause::PortPause(QObject *parent) : QObject(parent)
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &PortPause::check);
}

qint64 PortPause::remaining(qint64 startSecond, qint64 nowMs, qint64 elapsedMs)
{
    const qint64 untilWholeSecond = (startSecond + 2) * 1000 - nowMs;
    const qint64 steadyLeft = kLongest.count() - elapsedMs;
    return std::min(untilWholeSecond, steadyLeft);
}

void PortPause::start()
{
    startSecond_ = QDateTime::currentSecsSinceEpoch();
    steady_.start();
    timer_.start(static_cast<int>(std::max<qint64>(1, remaining(startSecond_, QDateTime::currentMSecsSinceEpoch(), 0))));
}

void PortPause::stop() { timer_.stop(); }

void PortPause::check()
{
    // A timer may fire a little early; the pause ends only when its rule says so.
    const qint64 left = remaining(startSecond_, QDateTime::currentMSecsSinceEpoch(), steady_.elapsed());
    if (left > 0) {
        timer_.start(static_cast<int>(left));
        return;
    }
    emit finished();
}
