#include "trend/model/RingRows.h"

#include <algorithm>

void unrollSamples(TrendData &data)
{
    int first = 0;
    if (data.ringWrapped) {
        first = (data.ringWritePos + 1) % kRingRows;
        data.rowCount = kRingRows - 1;
    } else {
        data.rowCount = std::clamp(data.ringWritePos, 0, kRingRows - 1);
    }
    for (int k = 0; k < data.rowCount; ++k) {
        data.displayRows[k] = data.sampleRing[(first + k) % kRingRows];
        data.displayRowInfo[k] = data.rowInfoRing[(first + k) % kRingRows];
        data.displayMathRows[k] = data.mathRing[(first + k) % kRingRows];
    }
}

namespace ringrows {

void beginRunClock(TrendData &data, const QDateTime &wallNow, std::chrono::steady_clock::time_point steadyNow)
{
    data.runStartedAt = wallNow;
    data.runStartedSteady = steadyNow;
    data.rowInfoRing.fill(RowInfo{});
}

void recordRowInfo(TrendData &data, const sampling::PassReadout &readout, std::chrono::steady_clock::time_point ended)
{
    RowInfo &info = data.rowInfoRing[static_cast<std::size_t>(data.ringWritePos)];
    info.sinceRunStart = std::chrono::duration_cast<std::chrono::nanoseconds>(ended - data.runStartedSteady);
    info.failedChannels = readout.failedChannels;
}

void forgetDisplayRowInfo(TrendData &data)
{
    data.displayRowInfo.fill(RowInfo{});
    // Nor were math channels computed over them.
    data.mathChannels.clear();
    data.displayMathRows.fill(MathRow{});
}

std::optional<std::int64_t> rowMilliseconds(const RowInfo &info)
{
    if (!info.sinceRunStart)
        return std::nullopt;
    return std::chrono::duration_cast<std::chrono::milliseconds>(*info.sinceRunStart).count();
}

std::optional<QDateTime> rowWallTime(const TrendData &data, const RowInfo &info)
{
    const std::optional<std::int64_t> ms = rowMilliseconds(info);
    if (!ms || !data.runStartedAt.isValid())
        return std::nullopt;
    return data.runStartedAt.addMSecs(*ms);
}

} // namespace ringrows
