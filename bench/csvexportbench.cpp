// CSV export of a full display: 251 rows x 14 channels with times and a failed read now and then,
// as "Export CSV..." builds it. Prints the time per export and the bytes written.

#include "trend/readout/TrendReadout.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <vector>

int main()
{
    TrendData data;
    for (int c = 0; c < kChannels; ++c)
        data.channels[c] = {true, AddressKind::Name, c < kAnalogChannels ? QStringLiteral("SpdFbk%1").arg(c) : QStringLiteral("InvFlag"),
                            c < kAnalogChannels ? QStringLiteral("20000") : QStringLiteral("%1").arg(c, 2, 10, QLatin1Char('0'))};
    for (int c = 0; c < kChannels; ++c)
        data.selectedChannels.push_back(c);
    data.runStartedAt = QDateTime::currentDateTime();
    data.rowCount = kDisplayRowsCapacity;
    for (int k = 0; k < kDisplayRowsCapacity; ++k) {
        for (int c = 0; c < kChannels; ++c)
            data.displayRows[k][c] = c < kAnalogChannels ? (k * 131 + c * 977) % 65536 - 32768 : (k >> (c - 7)) & 1;
        data.displayRowInfo[k] = {std::chrono::milliseconds(380 * k), static_cast<std::uint16_t>(k % 17 == 0 ? 4u : 0u)};
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.csv"));
    constexpr int kRounds = 200;
    std::vector<double> ms;
    qsizetype bytes = 0;
    for (int i = 0; i < kRounds; ++i) {
        QElapsedTimer clock;
        clock.start();
        const QByteArray csv = readout::shownRowsCsv(data);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(csv) != csv.size())
            return 1;
        file.close();
        ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        bytes = csv.size();
    }
    std::sort(ms.begin(), ms.end());
    std::printf("CSV export, 251 rows x 14 channels (%lld bytes), built and written: median %.3f ms, worst %.3f ms "
                "over %d exports\n",
                static_cast<long long>(bytes), ms[ms.size() / 2], ms.back(), kRounds);
    return 0;
}
