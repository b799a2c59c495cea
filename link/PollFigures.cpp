#include "link/PollFigures.h"

#include "link/LinkResult.h"
#include "link/LinkTexts.h"

#include <QStringList>

namespace {

QString millisecondsText(std::chrono::nanoseconds t)
{
    return kMilliseconds.arg(QString::number(static_cast<double>(t.count()) / 1e6, 'f', 1));
}

} // namespace

void PollFigures::begin(Clock::time_point now)
{
    *this = PollFigures{};
    began = latest = now;
}

void PollFigures::take(const ExchangeStats &exchanges, Clock::time_point ended, bool passDone)
{
    stats.merge(exchanges);
    latest = ended;
    if (passDone)
        ++passes;
}

double PollFigures::passesPerSecond() const
{
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(latest - began);
    if (elapsed.count() <= 0)
        return 0.0;
    return static_cast<double>(passes) * 1e9 / static_cast<double>(elapsed.count());
}

QString pollFiguresText(const PollFigures &figures, const QString &beforeTimes)
{
    const ExchangeStats &stats = figures.stats;
    QString text = kExchangeCounts.arg(stats.exchanges).arg(stats.failures());
    if (!stats.failuresByCode.empty()) {
        QStringList codes;
        // Most negative first, the order the codes are documented in.
        for (const auto &[code, count] : stats.failuresByCode)
            codes << QStringLiteral("%1: %2").arg(linkResultLabel(code)).arg(count);
        text += QStringLiteral(" (") + codes.join(QStringLiteral(", ")) + u')';
    }
    text += beforeTimes + kReplyTimes.arg(millisecondsText(stats.meanReply()), millisecondsText(stats.longestReply));
    text += kPassRate.arg(QString::number(figures.passesPerSecond(), 'f', 2));
    return text;
}
