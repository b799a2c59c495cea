#include "trend/Sampling.h"

#include "base/TimeText.h"

#include <QLocale>

namespace sampling {

void StoreAndDraw(TrendData &data, GraphLayers &layers, const PassReadout &readout)
{
    layers.WipeAhead(data.previousPenX);
    if (readout.errorCount != 0)
        layers.DrawErrorMark(data.penX);
    SampleRow &row = data.sampleRing[data.ringWritePos];
    for (int c : data.selectedChannels) {
        const std::int32_t v = readout.LatestValue[c];
        if (c < kAnalogChannels) {
            row[c] = v;
            data.penY[c] = AnalogY(v, data.channelScale[c]);
        } else {
            const bool high = (v & data.channelScale[c]) != 0;
            row[c] = high ? 1 : 0;
            data.penY[c] = LogicY(c, high);
        }
        layers.DrawSegment(c, data);
        data.previousPenY[c] = data.penY[c];
    }
}

void AdvancePen(TrendData &data)
{
    data.previousPenX = data.penX;
    data.penX += 2;
    if (data.penX > kGraphWidth) {
        data.penX = 0;
        data.previousPenX = 0;
    }
}

void AdvanceRing(TrendData &data)
{
    data.ringWritePos += 1;
    if (data.ringWritePos >= kRingRows) {
        data.ringWritePos = 0;
        data.ringWrapped = true;
    }
}

PassReadout RunPass(TrendData &data, GraphLayers &layers, const ValueReader &read, const FailureSink &failed,
                    const KeepGoing &keepGoing)
{
    const PassReadout readout = ReadChannels(data, read, failed, keepGoing);
    if (readout.abandoned)
        return readout;
    StorePass(data, layers, readout);
    layers.ComposeGraph(false);
    return readout;
}

void StorePass(TrendData &data, GraphLayers &layers, const PassReadout &readout)
{
    StoreAndDraw(data, layers, readout);
    AdvancePen(data);
    AdvanceRing(data);
}

QString TraceTimestamp(const QDateTime &when)
{
    return timetext::ShortDateLongTime(when, QLocale::system());
}

QByteArray ErrorTraceLine(const QString &timestamp, int code, const QByteArray &lastErrorReply)
{
    QByteArray line = timestamp.toLatin1() + " Code=" + QByteArray::number(code) + " Data=" + lastErrorReply + "\n";
    line.replace("\n", "\r\n");
    return line;
}

QByteArray ErrorTraceLine(const QString &timestamp, const QString &text)
{
    return timestamp.toLatin1() + ' ' + text.toLatin1() + "\r\n";
}

} // namespace sampling
