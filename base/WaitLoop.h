#pragma once
// The pause after a port has been opened: the window keeps handling its messages until the
// whole-second wall clock has moved on by more than one second (a pause of one to two seconds).

#include <QDateTime>


namespace waitloop {

// Whole seconds of the local wall clock.
qint64 WallClockSeconds();

// Processes window messages until WallClockSeconds() > start + `seconds`. Sleeps between message
// batches instead of spinning.
void WaitWhileProcessingEvents(qint64 start, int seconds);

} // namespace waitloop
