#include "trend/Sampling.h"

#include "base/TimeText.h"

#include <QLocale>

namespace sampling {

void StoreAndDraw(TrendData &data, GraphLayers &layers, const PassReadout &readout)
{
    layers.WipeAhead(data.PrevPenX);
    if (readout.errorCount != 0)
        layers.DrawErrorMark(data.PenX);
    SampleRow &row = data.SampleRing[data.RingWritePos];
    for (int c : data.SelectedChannels) {
        const std::int32_t v = readout.LatestValue[c];
        if (c < kAnalogChannels) {
            row[c] = v;
            data.PenY[c] = AnalogY(v, data.ChannelScale[c]);
        } else {
            const bool high = (v & data.ChannelScale[c]) != 0;
            row[c] = high ? 1 : 0;
            data.PenY[c] = LogicY(c, high);
        }
        layers.DrawSegment(c, data);
        data.PrevPenY[c] = data.PenY[c];
    }
}

void AdvancePen(TrendData &data)
{
    data.PrevPenX = data.PenX;
    data.PenX += 2;
    if (data.PenX > kGraphWidth) {
        data.PenX = 0;
        data.PrevPenX = 0;
    }
}

void AdvanceRing(TrendData &data)
{
    data.RingWritePos += 1;
    if (data.RingWritePos >= kRingRows) {
        data.RingWritePos = 0;
        data.RingWrapped = true;
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

} // namespace sampling
