#pragma once
// The fields of a recording's CSV lines that are more than a number: the header's names (a name
// quoted when it holds a comma or a quote), the local date and time and the seconds of a row.

#include <QByteArrayView>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace recording {

// The header's fields; none when a quote is left open.
std::optional<QStringList> splitHeader(QByteArrayView line);
// "yyyy-MM-ddTHH:mm:ss.zzz" as local milliseconds since 1970 taken as UTC.
std::optional<std::int64_t> parseLocalTime(QByteArrayView text);
// Seconds with up to three decimals as milliseconds.
std::optional<std::int64_t> parseSeconds(QByteArrayView text);

} // namespace recording
