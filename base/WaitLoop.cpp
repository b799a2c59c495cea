#include "base/WaitLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

namespace waitloop {

qint64 WallClockSeconds() { return QDateTime::currentSecsSinceEpoch(); }

void WaitWhileProcessingEvents(qint64 start, int seconds)
{
    const qint64 endSecond = start + seconds + 1; // first whole second that ends the wait
    while (WallClockSeconds() < endSecond) {
        const qint64 msLeft = std::max<qint64>(1, endSecond * 1000 - QDateTime::currentMSecsSinceEpoch());
        // A nested loop that blocks in the OS until an event or the end of the wait.
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(msLeft), &loop, &QEventLoop::quit);
        loop.exec();
    }
}

} // namespace waitloop
