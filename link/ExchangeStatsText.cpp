#include "link/ExchangeStatsText.h"

#include "link/LinkResult.h"
#include "link/LinkTexts.h"

#include <QStringList>

namespace {

QString millisecondsText(std::chrono::nanoseconds t)
{
    return kMilliseconds.arg(QString::number(static_cast<double>(t.count()) / 1e6, 'f', 1));
}

} // namespace

double passesPerSecond(std::uint64_t passes, std::chrono::nanoseconds elapsed)
{
    if (elapsed.count() <= 0)
        return 0.0;
    return static_cast<double>(passes) * 1e9 / static_cast<double>(elapsed.count());
}

QString exchangeStatsText(const ExchangeStats &stats, std::uint64_t passes, std::chrono::nanoseconds elapsed,
                          const QString &beforeTimes)
{
    QString text = kExchangeCounts.arg(stats.exchanges).arg(stats.failures());
    if (!stats.failuresByCode.empty()) {
        QStringList codes;
        // Most negative first, the order the codes are documented in.
        for (const auto &[code, count] : stats.failuresByCode)
            codes << QStringLiteral("%1: %2").arg(linkResultLabel(code)).arg(count);
        text += QStringLiteral(" (") + codes.join(QStringLiteral(", ")) + u')';
    }
    text += beforeTimes + kReplyTimes.arg(millisecondsText(stats.meanReply()), millisecondsText(stats.longestReply));
    text += kPassRate.arg(QString::number(passesPerSecond(passes, elapsed), 'f', 2));
    return text;
}
