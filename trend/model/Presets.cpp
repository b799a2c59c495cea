#include "trend/model/Presets.h"

#include "base/ProgramFolder.h"
#include "base/SaveFailure.h"
#include "base/TextFile.h"

namespace presets {
namespace {

bool isBlank(QChar c) { return c.unicode() <= u' ' && c.unicode() != 0; }

// A quoted field from the opening quote at `pos`; `pos` ends after the closing quote, or at the end
// of the line when the quote is never closed.
QString quotedField(const QString &line, qsizetype &pos)
{
    QString field;
    ++pos;
    while (pos < line.size()) {
        const QChar c = line[pos];
        if (c == u'"') {
            if (pos + 1 < line.size() && line[pos + 1] == u'"') {
                field += u'"';
                pos += 2;
                continue;
            }
            ++pos;
            return field;
        }
        field += c;
        ++pos;
    }
    return field;
}

ChannelRecord defaultRecord(int channel, bool selected)
{
    if (channel < kAnalogChannels)
        return {selected, AddressKind::Name, QStringLiteral("AnTermIn"), QStringLiteral("20000")};
    return {selected, AddressKind::Name, QStringLiteral("InvFlag"), QStringLiteral("00")};
}

ChannelRecord parseChannelLine(int channel, const QString &line)
{
    const QStringList fields = splitCommaText(line);
    const bool selected = !fields.isEmpty() && fields[0] == u"ON";
    if (fields.size() < 4)
        return defaultRecord(channel, selected);
    const std::optional<std::int32_t> scale = parseDecimal(fields[3]);
    if (!scale)
        return defaultRecord(channel, selected);
    // An analog full scale is normalised ("020000" becomes "20000"); a bit number keeps its text.
    const QString fullScale = channel < kAnalogChannels ? QString::number(*scale) : fields[3];
    // Anything but "L" has always been read as an address.
    const AddressKind kind = fields[1] == u"L" ? AddressKind::Name : AddressKind::Address;
    return {selected, kind, fields[2], fullScale};
}

} // namespace

QStringList splitCommaText(const QString &line)
{
    QStringList fields;
    // A NUL ends the text, as it would a C string.
    const qsizetype nul = line.indexOf(QChar(0));
    const QString text = nul < 0 ? line : line.left(nul);
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n && isBlank(text[pos]))
        ++pos;
    while (pos < n) {
        if (text[pos] == u'"') {
            fields.append(quotedField(text, pos));
        } else {
            const qsizetype start = pos;
            while (pos < n && !isBlank(text[pos]) && text[pos] != u',')
                ++pos;
            fields.append(text.mid(start, pos - start));
        }
        while (pos < n && isBlank(text[pos]))
            ++pos;
        if (pos < n && text[pos] == u',') {
            do
                ++pos;
            while (pos < n && isBlank(text[pos]));
        }
    }
    return fields;
}

std::optional<std::int32_t> parseDecimal(const QString &text)
{
    qsizetype pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
        negative = text[pos] == u'-';
        ++pos;
    }
    if (pos >= text.size())
        return std::nullopt;
    std::int64_t value = 0;
    for (; pos < text.size(); ++pos) {
        const char16_t c = text[pos].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > std::int64_t{1} << 31)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX || value < INT32_MIN)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<bool> parseSelection(const QString &text)
{
    if (text == u"ON")
        return true;
    if (text == u"OF")
        return false;
    return std::nullopt;
}

std::optional<AddressKind> parseAddressKind(const QString &text)
{
    if (text == u"L")
        return AddressKind::Name;
    if (text == u"A")
        return AddressKind::Address;
    return std::nullopt;
}

std::optional<std::int32_t> parseWaitTime(const QString &text)
{
    const std::optional<std::int32_t> ms = parseDecimal(text.trimmed());
    if (!ms || *ms < 0)
        return std::nullopt;
    return ms;
}

WaitTime waitTimeFromTyped(const QString &text)
{
    const std::optional<std::int32_t> ms = parseWaitTime(text);
    return {text, std::chrono::milliseconds(ms ? *ms : 0)};
}

ChannelRecords parsePresetLines(const QStringList &lines)
{
    ChannelRecords records;
    for (int c = 0; c < kChannels; ++c) {
        const qsizetype line = c + 1;
        records[c] = line < lines.size() ? parseChannelLine(c, lines[line]) : defaultRecord(c, false);
    }
    return records;
}

ChannelRecords loadPresets()
{
    const std::optional<QStringList> lines = textfile::readLines(programfolder::file(kPresetFile));
    return parsePresetLines(lines.value_or(QStringList{}));
}

QStringList presetLines(const QString &decHexCaption, const ChannelRecords &channels)
{
    QStringList lines{decHexCaption + QStringLiteral(",,,,")};
    for (const ChannelRecord &r : channels)
        lines.append(selectionText(r.selected) + u',' + addressKindText(r.addressKind) + u',' + r.addressOrName + u',' + r.fullScale);
    return lines;
}

bool savePresets(const QString &decHexCaption, const ChannelRecords &channels, QStringList *failures)
{
    const QByteArray bytes = textfile::joinLinesCrLf(presetLines(decHexCaption, channels));
    bool saved = true;
    for (const QString &name : {kPresetFile, kPresetCopyFile}) {
        const QString path = programfolder::file(name);
        QString error;
        if (!textfile::writeAtomically(path, bytes, &error)) {
            saved = false;
            if (failures)
                failures->append(savefailure::pathAndReason(path, error));
        }
    }
    return saved;
}

} // namespace presets
