#include "link/ExchangeStatsText.h"

#include "link/LinkResult.h"

#include <QStringList>

namespace {

QString Milliseconds(std::chrono::nanoseconds t)
{
    return QString::number(static_cast<double>(t.count()) / 1e6, 'f', 1) + QStringLiteral(" ms");
}

} // namespace

double PassesPerSecond(std::uint64_t passes, std::chrono::nanoseconds elapsed)
{
    if (elapsed.count() <= 0)
        return 0.0;
    return static_cast<double>(passes) * 1e9 / static_cast<double>(elapsed.count());
}

QString ExchangeStatsText(const ExchangeStats &stats, std::uint64_t passes, std::chrono::nanoseconds elapsed,
                          const QString &beforeTimes)
{
    QString text = QStringLiteral("%1 exchanges, %2 failed").arg(stats.exchanges).arg(stats.failures());
    if (!stats.failuresByCode.empty()) {
        QStringList codes;
        // Most negative first, the order the codes are documented in.
        for (const auto &[code, count] : stats.failuresByCode)
            codes << QStringLiteral("%1: %2").arg(LinkResultLabel(code)).arg(count);
        text += QStringLiteral(" (") + codes.join(QStringLiteral(", ")) + u')';
    }
    text += beforeTimes + QStringLiteral("reply mean ") + Milliseconds(stats.meanReply()) + QStringLiteral(", longest ") +
            Milliseconds(stats.longestReply);
    text += QStringLiteral(", ") + QString::number(PassesPerSecond(passes, elapsed), 'f', 2) +
            QStringLiteral(" passes/s");
    return text;
}
