#include "catalogue/Decoder.h"

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "catalogue/BlockTypeTable.h"
#include "catalogue/CatalogueTexts.h"

#include <array>

namespace {

const QString kEnd = QStringLiteral("END");
const QString kVarlistFile = QStringLiteral("Varlist.txt");
const QString kVarlist2File = QStringLiteral("Varlist2.txt");

constexpr quint32 kFirstHeaderOffset = 0x010;
constexpr quint32 kFirstOutputOffset = 0x460;
constexpr quint32 kDioOffset = 0x400;
constexpr int kDioCount = 10 + 12;
constexpr quint32 kMOffset = 0x440;
constexpr int kMCount = 32;

CatalogueOutcome refused(const QString &message) { return CatalogueOutcome{false, {message}}; }

// An offset as the variable files write it: three upper-case hex digits.
QString offsetText(quint32 offset) { return QStringLiteral("%1").arg(offset, 3, 16, QLatin1Char('0')).toUpper(); }

BlockRecord closingRecord()
{
    const BlockType &row = blockTypeRow(0);
    return BlockRecord{QString::fromLatin1(row.name.data(), static_cast<qsizetype>(row.name.size())), 0, 0, 0,
                       0, row.width};
}

// The lines of a variable file before its first line "END", or nothing when it has none.
std::optional<QStringList> linesBeforeEnd(const QStringList &lines)
{
    const qsizetype end = lines.indexOf(kEnd);
    if (end < 0)
        return std::nullopt;
    return lines.mid(0, end);
}

} // namespace

QStringList blockOffsetEntries(const std::vector<BlockRecord> &records)
{
    QStringList entries;
    quint32 header = kFirstHeaderOffset;
    quint32 output = kFirstOutputOffset;
    for (const BlockRecord &record : records) {
        if (record.typeCode == 0)
            break;
        const QString blockName = record.name + QString::number(record.instance, 16).toUpper();
        entries.append(offsetText(header) + QStringLiteral(",1,") + blockName);
        header += static_cast<quint32>(record.paramWords) + 1;
        for (int n = 1; n <= record.outputs; ++n) {
            const QChar width = record.width == 2 && n % 2 == 1 ? QLatin1Char('2') : QLatin1Char('1');
            entries.append(offsetText(output) + QLatin1Char(',') + width + QLatin1Char(',') + blockName +
                           QString::number(n));
            ++output;
        }
    }
    return entries;
}

namespace {

void appendFixedEntries(const QString &prefix, quint32 firstOffset, int first, int count, QStringList &entries)
{
    for (int n = first; n < first + count; ++n)
        entries.append(offsetText(firstOffset + static_cast<quint32>(n - first)) + QStringLiteral(",1,") + prefix +
                       QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')));
}

} // namespace

std::optional<quint32> parseHex(QStringView text)
{
    if (text.isEmpty())
        return std::nullopt;
    quint64 value = 0;
    for (const QChar c : text) {
        const int digit = c >= QLatin1Char('0') && c <= QLatin1Char('9') ? c.unicode() - '0'
                          : c >= QLatin1Char('A') && c <= QLatin1Char('F') ? c.unicode() - 'A' + 10
                          : c >= QLatin1Char('a') && c <= QLatin1Char('f') ? c.unicode() - 'a' + 10
                                                                            : -1;
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<quint64>(digit);
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
    }
    return static_cast<quint32>(value);
}

QString hexAddress(quint32 address) { return QStringLiteral("%1").arg(address, 8, 16, QLatin1Char('0')).toUpper(); }

CatalogueOutcome decodeSuperBlock(CatalogueData &data)
{
    CatalogueOutcome outcome;
    // Words past the super block's capacity are not super-block words, whatever was loaded.
    const qsizetype loaded = std::min<qsizetype>(data.superBlockWords.size(), CatalogueData::kMaxSuperBlockWords);
    std::vector<BlockRecord> records;
    std::array<int, kMaxTypeCode + 1> instances{};

    qsizetype i = 0;
    while (loaded > 0) {
        if (i >= loaded) { // the chain has no closing word within the loaded words
            outcome.messages.append(kIncorrectLoadData);
            break;
        }
        const QString &header = data.superBlockWords[i];
        const QStringView typeDigits = QStringView(header).mid(2, 2);
        if (typeDigits == u"00")
            break;
        const std::optional<quint32> code = typeDigits.size() == 2 ? parseHex(typeDigits) : std::nullopt;
        if (!code)
            return refused(kNotHexadecimal.arg(typeDigits));
        if (*code > static_cast<quint32>(kMaxTypeCode)) {
            outcome.messages.append(kIncorrectLoadData);
            break;
        }
        if (records.size() >= static_cast<std::size_t>(CatalogueData::kMaxBlocks)) {
            outcome.messages.append(kIncorrectLoadData);
            break;
        }
        const int c = static_cast<int>(*code);
        const BlockType &row = blockTypeRow(c);
        BlockRecord record{QString::fromLatin1(row.name.data(), static_cast<qsizetype>(row.name.size())), c,
                           ++instances[static_cast<std::size_t>(c)], row.paramWords, row.outputs, row.width};
        if (c == kConsTypeCode) {
            const QStringView countDigit = QStringView(header).left(1);
            const std::optional<quint32> count = parseHex(countDigit);
            if (!count)
                return refused(kNotHexadecimal.arg(countDigit));
            record.paramWords = static_cast<int>(*count);
        }
        if (i + record.paramWords >= loaded) { // its parameter words were not all loaded
            outcome.messages.append(kIncorrectLoadData);
            break;
        }
        records.push_back(record);
        i += record.paramWords + 1;
    }
    records.push_back(closingRecord());
    data.blockRecords = std::move(records);
    return outcome;
}

CatalogueOutcome buildVariableList(CatalogueData &data, const std::optional<QStringList> &varlistLines,
                                   const std::optional<QStringList> &varlist2Lines)
{
    const auto varlistPath = [] { return programfolder::file(kVarlistFile); };
    const auto varlist2Path = [] { return programfolder::file(kVarlist2File); };

    QStringList offsetList = blockOffsetEntries(data.blockRecords);
    if (offsetList.size() > CatalogueData::kMaxVariableEntries)
        return refused(kVariableListFull);

    if (!varlistLines)
        return refused(kCannotOpenFile.arg(varlistPath()));
    const std::optional<QStringList> fileEntries = linesBeforeEnd(*varlistLines);
    if (!fileEntries)
        return refused(kNoEndLine.arg(varlistPath()));
    if (fileEntries->size() > kMaxVarlistLines)
        return refused(kTooManyLines.arg(varlistPath()));
    offsetList += *fileEntries;
    appendFixedEntries(QStringLiteral("DIO"), kDioOffset, 0, kDioCount, offsetList);
    appendFixedEntries(QStringLiteral("M"), kMOffset, 1, kMCount, offsetList);
    if (offsetList.size() > CatalogueData::kMaxVariableEntries)
        return refused(kVariableListFull);

    if (!varlist2Lines)
        return refused(kCannotOpenFile.arg(varlist2Path()));
    const std::optional<QStringList> addressEntries = linesBeforeEnd(*varlist2Lines);
    if (!addressEntries)
        return refused(kNoEndLine.arg(varlist2Path()));
    if (addressEntries->size() + offsetList.size() > CatalogueData::kMaxVariableEntries)
        return refused(kVariableListFull);

    QStringList list = *addressEntries;
    for (const QString &entry : std::as_const(offsetList)) {
        if (entry.isEmpty()) { // an empty line of "Varlist.txt" keeps its place, empty
            list.append(QString());
            continue;
        }
        const QStringView digits = QStringView(entry).left(3);
        const std::optional<quint32> offset = digits.size() == 3 ? parseHex(digits) : std::nullopt;
        if (!offset)
            return refused(kNotHexadecimal.arg(digits));
        list.append(hexAddress(offsetAddress(*offset)) + entry.mid(5));
    }
    list.append(kEnd);

    data.variableList = std::move(list);
    data.variableListBuilt = true;
    return {};
}

CatalogueOutcome buildVariableList(CatalogueData &data)
{
    return buildVariableList(data, textfile::readLines(programfolder::file(kVarlistFile)),
                             textfile::readLines(programfolder::file(kVarlist2File)));
}

QStringList variableNames(const QStringList &variableList)
{
    QStringList names;
    for (const QString &entry : variableList) {
        if (entry == kEnd)
            break;
        names.append(entry.mid(9));
    }
    return names;
}

QString variableAddress(const QStringList &variableList, const QString &name)
{
    for (const QString &entry : variableList) {
        if (entry == kEnd)
            break;
        if (entry.size() >= 9 && QStringView(entry).mid(9) == name)
            return entry.left(8);
    }
    return {};
}
