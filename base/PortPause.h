#pragma once
// The pause after a port has been opened, as a timed state of the window that opened it: it ends
// once the whole-second wall clock has moved on by more than one second (one to two seconds after
// the start), and never later than two seconds of steady time, so a clock set back cannot hold it.
// The window stays live meanwhile; stopping the pause drops its end.

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>

class PortPause : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kLongest{2000};

    explicit PortPause(QObject *parent = nullptr);

    void start();
    void stop();
    bool isActive() const { return timer_.isActive(); }

    // Milliseconds from `nowMs` (wall clock) until the first moment of whole second
    // `startSecond` + 2, at least 1 and at most kLongest minus `elapsedMs` of steady time.
    static qint64 remaining(qint64 startSecond, qint64 nowMs, qint64 elapsedMs);

signals:
    void finished();

private:
    void check();

    QTimer timer_;
    QElapsedTimer steady_;
    qint64 startSecond_ = 0;
};
