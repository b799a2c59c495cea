#include "catalogue/SuperBlockFile.h"

#include "base/TextFile.h"
#include "catalogue/BlockTypeTable.h"
#include "catalogue/Decoder.h"
#include "catalogue/CatalogueTexts.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr int kLineCount = 12;
constexpr quint32 kPointerBase = 0x5F8000;
constexpr quint32 kSuperBlockAddress = 0x600620;

// What each line must be: the whole line, or its beginning.
struct LineTest {
    const char *text;
    bool whole;
};
constexpr std::array<LineTest, kLineCount> kLineTests{{
    {"@600608,1,0000,", true},
    {"@600600,4,4304,4310,4760,47C6,", true},
    {"@60060A,3,", false},
    {"@600614,1,", false},
    {"@600616,4,", false},
    {"@600620,", false},
    {"@600E60,10,", false},
    {"@600F88,4,0000,0000,0000,4E20,", true},
    {"@600FA0,4,", false},
    {"@202400,64,", false},
    {"@202500,64,", false},
    {"@600608,1,8000,", true},
}};
constexpr int kPointerLine = 4;    // index of line 5
constexpr int kSuperBlockLine = 5; // index of line 6

bool lineMatches(const QString &line, const LineTest &test)
{
    const QLatin1StringView expected(test.text);
    return test.whole ? line == expected : line.startsWith(expected);
}

// One area of the data file between its fixed first and last lines.
struct Area {
    quint32 address;
    int words; // 0: the super block, read header by header
};
constexpr std::array<Area, 10> kAreas{{
    {0x600600, 4},
    {0x60060A, 3},
    {0x600614, 1},
    {0x600616, 4},
    {kSuperBlockAddress, 0},
    {0x600E60, 16},
    {0x600F88, 4},
    {0x600FA0, 4},
    {0x202400, 100},
    {0x202500, 100},
}};

QString hex(quint32 value) { return QString::number(value, 16).toUpper(); }
QString wordField(quint16 word) { return QStringLiteral("%1,").arg(word, 4, 16, QLatin1Char('0')).toUpper(); }
QString lineStart(quint32 address, quint32 count)
{
    return QLatin1Char('@') + hex(address) + QLatin1Char(',') + hex(count) + QLatin1Char(',');
}

// One Data Read's reads: the link, the buffer, the watch and what it reports.
struct ImageReader {
    Link &link;
    ReadBuffer &buffer;
    const DataReadWatch &watch;
    DataReadReport &report;

    bool readWords(quint32 address, int count, std::vector<quint16> &words, bool superBlock)
    {
        if (count == 0)
            return true;
        const int result = link.readBlock('r', static_cast<std::uint16_t>(2 * count), address, buffer);
        if (result != 0) {
            report.failedAddress = address;
            report.failedCode = link.lastReadResult();
            return false;
        }
        for (int k = 0; k < count; ++k)
            words.push_back(static_cast<quint16>(buffer[2 * static_cast<std::size_t>(k)] << 8 |
                                                 buffer[2 * static_cast<std::size_t>(k) + 1]));
        ++report.progress.reads;
        if (superBlock)
            report.progress.superBlockWords += count;
        if (watch && !watch(report.progress)) {
            report.stopped = true;
            return false;
        }
        return true;
    }

    std::optional<std::vector<quint16>> readSuperBlock()
    {
        std::vector<quint16> words;
        quint32 address = kSuperBlockAddress;
        while (static_cast<int>(words.size()) < kSuperBlockReadLimit) {
            if (!readWords(address, 1, words, true))
                return std::nullopt;
            address += 2;
            const quint16 header = words.back();
            if (header == 0 || (header & 0xFF) > kMaxTypeCode)
                break;
            const int room = kSuperBlockReadLimit - static_cast<int>(words.size());
            const int params = std::min(headerParameterWords(header), room);
            if (!readWords(address, params, words, true))
                return std::nullopt;
            address += 2 * static_cast<quint32>(params);
        }
        return words;
    }
};

} // namespace

CheckOutcome checkSuperBlockLines(const QStringList &lines, CatalogueData &data, const QString &fileName)
{
    CheckOutcome outcome;
    if (lines.size() < kLineCount) {
        outcome.proceed = false;
        outcome.messages.append(kTooFewLines.arg(fileName));
        return outcome;
    }

    std::optional<std::array<QString, 4>> pointers;
    std::optional<QStringList> superBlock;
    for (int n = 0; n < kLineCount; ++n) {
        const QString &line = lines[n];
        if (!lineMatches(line, kLineTests[n])) {
            ++outcome.errorCount;
            continue;
        }
        if (n == kPointerLine) {
            std::array<QString, 4> found;
            for (int i = 0; i < 4; ++i) {
                const QStringView digits = QStringView(line).mid(10 + 5 * i, 4);
                const std::optional<quint32> word = parseHex(digits);
                if (!word) {
                    outcome.proceed = false;
                    outcome.messages.append(kNotHexadecimal.arg(digits));
                    return outcome;
                }
                found[static_cast<std::size_t>(i)] = hexAddress(kPointerBase + 2 * *word);
            }
            pointers = found;
        } else if (n == kSuperBlockLine) {
            const QStringView rest = QStringView(line).mid(8);
            const qsizetype comma = rest.indexOf(QLatin1Char(','));
            const QStringView countDigits = comma < 0 ? rest : rest.left(comma);
            const std::optional<quint32> count = parseHex(countDigits);
            if (!count) {
                outcome.proceed = false;
                outcome.messages.append(kNotHexadecimal.arg(countDigits));
                return outcome;
            }
            const QStringView words = comma < 0 ? QStringView() : rest.mid(comma + 1);
            if (*count > static_cast<quint32>(CatalogueData::kMaxSuperBlockWords) ||
                words.size() != 5 * static_cast<qsizetype>(*count)) {
                ++outcome.errorCount;
                continue;
            }
            QStringList loaded;
            for (qsizetype i = 0; i < static_cast<qsizetype>(*count); ++i)
                loaded.append(words.mid(5 * i, 4).toString());
            superBlock = std::move(loaded);
        }
    }

    if (pointers)
        data.pointerAddresses = *pointers;
    if (superBlock)
        data.superBlockWords = std::move(*superBlock);
    if (outcome.errorCount > 0)
        outcome.messages.append(kQmxFileDataError);
    return outcome;
}

CheckOutcome checkSuperBlockFile(const QString &path, CatalogueData &data)
{
    const std::optional<QStringList> lines = textfile::readLines(path);
    if (!lines) {
        CheckOutcome outcome;
        outcome.proceed = false;
        outcome.messages.append(kCannotOpenFile.arg(path));
        return outcome;
    }
    return checkSuperBlockLines(*lines, data, path);
}

std::optional<QStringList> readSuperBlockImage(Link &link, ReadBuffer &buffer, const DataReadWatch &watch,
                                               DataReadReport *report)
{
    DataReadReport ownReport;
    ImageReader reader{link, buffer, watch, report ? *report : ownReport};
    QStringList lines;
    lines.append(lineStart(0x600608, 1) + wordField(0x0000));
    for (const Area &area : kAreas) {
        std::vector<quint16> words;
        QString line;
        if (area.words == 0) {
            std::optional<std::vector<quint16>> superBlock = reader.readSuperBlock();
            if (!superBlock)
                return std::nullopt;
            words = std::move(*superBlock);
            line = lineStart(area.address, static_cast<quint32>(words.size()));
        } else {
            if (!reader.readWords(area.address, area.words, words, false))
                return std::nullopt;
            line = lineStart(area.address, static_cast<quint32>(area.words));
        }
        for (const quint16 word : words)
            line += wordField(word);
        lines.append(line);
    }
    lines.append(lineStart(0x600608, 1) + wordField(0x8000));
    return lines;
}
