#include "base/TimeText.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace timetext {

namespace {

const QString kDigitsOnly = QStringLiteral("yyyy/MM/dd HH:mm:ss");

bool isLatin1(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

bool encloses(QChar open, QChar close)
{
    return (open == u'(' && close == u')') || (open == u'[' && close == u']') || (open == u'{' && close == u'}');
}

// The part [begin, end) of `format` that the zone field at [first, last) takes with it.
std::pair<qsizetype, qsizetype> zoneSpan(const QString &format, qsizetype first, qsizetype last)
{
    qsizetype begin = first;
    qsizetype end = last;
    if (begin > 0 && end < format.size() && encloses(format.at(begin - 1), format.at(end))) {
        --begin;
        ++end;
    }
    if (begin > 0 && format.at(begin - 1).isSpace()) {
        while (begin > 0 && format.at(begin - 1).isSpace())
            --begin;
    } else if (begin == 0) {
        while (end < format.size() && format.at(end).isSpace())
            ++end;
    }
    return {begin, end};
}

} // namespace

QString withoutTimeZone(const QString &timeFormat)
{
    std::vector<std::pair<qsizetype, qsizetype>> spans;
    bool quoted = false;
    for (qsizetype i = 0; i < timeFormat.size();) {
        const QChar c = timeFormat.at(i);
        if (c == u'\'') {
            quoted = !quoted; // "''" toggles twice: an escaped quote
            ++i;
        } else if (!quoted && c == u't') {
            qsizetype last = i;
            while (last < timeFormat.size() && timeFormat.at(last) == u't')
                ++last;
            spans.push_back(zoneSpan(timeFormat, i, last));
            i = last;
        } else {
            ++i;
        }
    }
    QString result;
    qsizetype kept = 0;
    for (const auto &[begin, end] : spans) {
        if (begin > kept)
            result += timeFormat.mid(kept, begin - kept);
        kept = std::max(kept, end);
    }
    return result + timeFormat.mid(kept);
}

QString shortDateLongTime(const QDateTime &when, const QLocale &locale)
{
    const QString text = locale.toString(when.date(), QLocale::ShortFormat) + u' '
                         + locale.toString(when.time(), withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
    return isLatin1(text) ? text : QLocale::c().toString(when, kDigitsOnly);
}

QString stampedFileName(const QString &prefix, const QString &extension, const QDateTime &when)
{
    return prefix + when.toString(QStringLiteral("-yyyyMMdd-HHmmss.")) + extension;
}

} // namespace timetext
