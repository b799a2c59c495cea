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
    // Written out and read back, the records are what they were.
    const presets::ChannelRecords again = presets::ParsePresetLines(presets::PresetLines(QStringLiteral("Dec"), channels));
    for (int c = 0; c < kChannels; ++c) {
        if (again[c].selected != channels[c].selected || again[c].addressKind != channels[c].addressKind)
            std::abort();
    }
    return 0;
}
