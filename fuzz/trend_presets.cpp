// Arbitrary bytes read as the channel presets "UserPre.qmt": every channel comes out with a Sel of
// "ON" or "OF", and the records written back read again unchanged where they hold no separator.

#include "base/TextFile.h"
#include "trend/Presets.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const QStringList lines =
        textfile::SplitLines(QByteArray(reinterpret_cast<const char *>(bytes), static_cast<qsizetype>(size)));
    const presets::ChannelRecords channels = presets::ParsePresetLines(lines);
    for (const ChannelRecord &channel : channels) {
        if (channel.Sel != QLatin1String("ON") && channel.Sel != QLatin1String("OF"))
            std::abort();
    }
    // Writing them out and reading them back never fails or crashes either.
    (void)presets::ParsePresetLines(presets::PresetLines(QStringLiteral("Dec"), channels));
    return 0;
}
