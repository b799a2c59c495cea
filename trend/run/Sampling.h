#pragma once
// One sampling pass of a trend run: read a word per selected channel, store the row in the sample
// ring, extend the traces on the trace layer, compose the picture and move the pen and the ring
// on. The reads go through a function, so the pass runs against the link or against a test's
// values alike.

#include "trend/graph/GraphLayers.h"
#include "trend/model/SamplingRead.h"
#include "trend/model/TrendData.h"

#include <QByteArray>
#include <QDateTime>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace sampling {

// Wipes ahead of the layers' pen, marks a pass with failures, stores the row and draws the new
// segments.
void storeAndDraw(TrendData &data, GraphLayers &layers, const PassReadout &readout);
// Two pixels on; past the right edge (500) the sweep starts again at 0.
void advancePen(TracePen &pen);
// One row on; from row 249 back to 0, and the ring has wrapped.
void advanceRing(TrendData &data);
// A read pass into the recording: stored, drawn on the trace layer, pen and ring moved on. The
// picture is not composed (the window composes what changed).
void storePass(TrendData &data, GraphLayers &layers, const PassReadout &readout);
// The whole pass, the picture composed without the cursor. An abandoned pass stores, draws and
// advances nothing: the ring row it began is not part of the recording.
PassReadout runPass(TrendData &data, GraphLayers &layers, const ValueReader &read, const FailureSink &failed,
                    const KeepGoing &keepGoing = {});

// The local date and time of an error trace line: short date, a space, long time.
QString traceTimestamp(const QDateTime &when);
// One line of "ErrTrace.txt" as bytes on disk: every LF written as CR LF, the one that ends the
// stored refusal included.
QByteArray errorTraceLine(const QString &timestamp, int code, const QByteArray &lastErrorReply);
// The same line with what failed after its fields (the channel, its address, the request), e.g.
// "... Code=-1 Data= Channel=1:SpdFbk Address=00600E00 Request=R 00600E00".
QByteArray errorTraceLine(const QString &timestamp, int code, const QByteArray &lastErrorReply, const QString &where);
// A line of "ErrTrace.txt" that tells of the run rather than of one failed read.
QByteArray errorTraceLine(const QString &timestamp, const QString &text);

} // namespace sampling
