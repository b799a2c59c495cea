#include "trend/run/Sampling.h"

#include "base/TimeText.h"

#include <QLocale>

namespace sampling {

void storeAndDraw(TrendData &data, GraphLayers &layers, const PassReadout &readout)
{
    TracePen &pen = layers.pen;
    layers.wipeAhead(pen.previousX);
    if (readout.errorCount != 0)
        layers.drawErrorMark(pen.x);
    SampleRow &row = data.sampleRing[data.ringWritePos];
    for (int c : data.selectedChannels) {
        const std::int32_t v = readout.latestValue[c];
        if (c < kAnalogChannels) {
            row[c] = v;
            pen.y[c] = analogY(v, data.channelScale[c]);
        } else {
            const bool high = (v & data.channelScale[c]) != 0;
            row[c] = high ? 1 : 0;
            pen.y[c] = logicY(c, high);
        }
        layers.drawSegment(c);
        pen.previousY[c] = pen.y[c];
    }
}

void advancePen(TracePen &pen)
{
    pen.previousX = pen.x;
    pen.x += 2;
    if (pen.x > kGraphWidth) {
        pen.x = 0;
        pen.previousX = 0;
    }
}

void advanceRing(TrendData &data)
{
    data.ringWritePos += 1;
    if (data.ringWritePos >= kRingRows) {
        data.ringWritePos = 0;
        data.ringWrapped = true;
    }
}

PassReadout runPass(TrendData &data, GraphLayers &layers, const ValueReader &read, const FailureSink &failed,
                    const KeepGoing &keepGoing)
{
    const PassReadout readout = readChannels(data, read, failed, keepGoing);
    if (readout.abandoned)
        return readout;
    storePass(data, layers, readout);
    layers.composeGraph(false);
    return readout;
}

void storePass(TrendData &data, GraphLayers &layers, const PassReadout &readout)
{
    storeAndDraw(data, layers, readout);
    advancePen(layers.pen);
    advanceRing(data);
}

QString traceTimestamp(const QDateTime &when)
{
    return timetext::shortDateLongTime(when, QLocale::system());
}

QByteArray errorTraceLine(const QString &timestamp, int code, const QByteArray &lastErrorReply)
{
    QByteArray line = timestamp.toLatin1() + " Code=" + QByteArray::number(code) + " Data=" + lastErrorReply + "\n";
    line.replace("\n", "\r\n");
    return line;
}

QByteArray errorTraceLine(const QString &timestamp, int code, const QByteArray &lastErrorReply, const QString &where)
{
    QByteArray line = timestamp.toLatin1() + " Code=" + QByteArray::number(code) + " Data=" + lastErrorReply + ' ' +
                      where.toLatin1() + "\n";
    line.replace("\n", "\r\n");
    return line;
}

QByteArray errorTraceLine(const QString &timestamp, const QString &text)
{
    return timestamp.toLatin1() + ' ' + text.toLatin1() + "\r\n";
}

} // namespace sampling
