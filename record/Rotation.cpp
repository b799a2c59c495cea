#include "record/Rotation.h"

#include "base/DurationText.h"

#include <QList>
#include <QPair>
#include <QRegularExpression>

namespace record {

std::optional<Rotation> parseRotation(const QString &text)
{
    static const QRegularExpression size(QStringLiteral("^([0-9]+)(B|kB|KB|MB|GB|KiB|MiB|GiB)$"));
    const QRegularExpressionMatch m = size.match(text.trimmed());
    Rotation rotation;
    if (m.hasMatch()) {
        static const QList<QPair<QString, std::uint64_t>> kUnits = {
            {"B", 1},          {"kB", 1000},         {"KB", 1000},         {"MB", 1000 * 1000},
            {"GB", 1000000000}, {"KiB", 1024},        {"MiB", 1024 * 1024}, {"GiB", 1024 * 1024 * 1024}};
        bool ok = false;
        const std::uint64_t count = m.captured(1).toULongLong(&ok);
        std::uint64_t unit = 1;
        for (const auto &[name, bytes] : kUnits) {
            if (name == m.captured(2))
                unit = bytes;
        }
        // A file smaller than a row or two would be all headers.
        if (!ok || count == 0 || count > (std::uint64_t{1} << 50) / unit || count * unit < 1000)
            return std::nullopt;
        rotation.bytes = count * unit;
        return rotation;
    }
    const std::optional<std::chrono::milliseconds> every = durationtext::parseDuration(text);
    // Boundaries closer than a second would name two files alike.
    if (!every || *every < std::chrono::seconds(1))
        return std::nullopt;
    rotation.every = every;
    return rotation;
}

} // namespace record
