#include "base/WaitLoop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <thread>
#include <algorithm>

namespace waitloop {

qint64 WallClockSeconds() { return QDateTime::currentSecsSinceEpoch(); }

void WaitWhileProcessingEvents(qint64 start, int seconds)
{
    const qint64 endSecond = start + seconds + 1; // first whole second that ends the wait
    // A wall clock set back during the pause must not hold the window for longer than the pause.
    QElapsedTimer bound;
    bound.start();
    const qint64 longest = (seconds + 1) * 1000;
    while (WallClockSeconds() < endSecond && bound.elapsed() < longest) {
        const qint64 msLeft = std::clamp<qint64>(endSecond * 1000 - QDateTime::currentMSecsSinceEpoch(), 1,
                                                 std::max<qint64>(1, longest - bound.elapsed()));
        // A nested loop that blocks in the OS until an event or the end of the wait.
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(msLeft), &loop, &QEventLoop::quit);
        if (loop.exec() < 0) {
            // The application is quitting: no loop runs any more, so sleep out the rest.
            std::this_thread::sleep_for(std::chrono::milliseconds(msLeft));
        }
    }
}

} // namespace waitloop
