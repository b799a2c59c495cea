// Arbitrary bytes read as the channel presets "UserPre.qmt": written out and read back, every
// channel keeps its Sel; a channel whose name and full scale hold no separator (comma, quote,
// blank or control character) keeps everything. A name typed with a comma or a blank in it splits
// into other fields when read back, as it always has; such a name never names a variable anyway.

#include "base/TextFile.h"
#include "trend/model/Presets.h"

#include <algorithm>
#include <cstdlib>

namespace {

bool holdsSeparator(const QString &text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c == u',' || c == u'"' || c.unicode() <= u' '; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const QStringList lines =
        textfile::splitLines(QByteArray(reinterpret_cast<const char *>(bytes), static_cast<qsizetype>(size)));
    const presets::ChannelRecords channels = presets::parsePresetLines(lines);
    const presets::ChannelRecords again = presets::parsePresetLines(presets::presetLines(QStringLiteral("Dec"), channels));
    for (int c = 0; c < kChannels; ++c) {
        const ChannelRecord &was = channels[c];
        const ChannelRecord &is = again[c];
        if (is.selected != was.selected)
            std::abort();
        if (holdsSeparator(was.addressOrName) || holdsSeparator(was.fullScale))
            continue;
        if (is.addressKind != was.addressKind || is.addressOrName != was.addressOrName || is.fullScale != was.fullScale)
            std::abort();
    }
    return 0;
}
