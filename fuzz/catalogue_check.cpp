// Any bytes as the super-block data file: the check, the decoder and the list builder stay within
// their lists whatever the file holds. The bytes are split into lines as reading the file does
// (textfile::readLines is a bounded read of a regular file and this split), without a file round
// trip per input.
#include "base/TextFile.h"
#include "catalogue/Decoder.h"
#include "catalogue/SuperBlockFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QStringList lines =
        textfile::splitLines(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    CatalogueData catalogue;
    const CheckOutcome check = checkSuperBlockLines(lines, catalogue, kSuperBlockFileName);
    if (catalogue.superBlockWords.size() > CatalogueData::kMaxSuperBlockWords)
        __builtin_trap();
    if (!check.proceed)
        return 0;
    const CatalogueOutcome decoded = decodeSuperBlock(catalogue);
    const auto &records = catalogue.blockRecords;
    if (records.empty() || records.size() > CatalogueData::kMaxBlocks + 1u || records.back().typeCode != 0)
        __builtin_trap();
    if (!decoded.proceed)
        return 0;
    const CatalogueOutcome built = buildVariableList(catalogue, QStringList{QStringLiteral("END")},
                                                     QStringList{QStringLiteral("END")});
    if (!built.proceed || catalogue.variableList.size() > CatalogueData::kMaxVariableEntries + 1 ||
        catalogue.variableList.last() != QLatin1String("END"))
        __builtin_trap();
    // Every block entry names a three-digit offset inside the catalogue's area.
    for (const QString &entry : blockOffsetEntries(records))
        if (entry.size() < 6 || entry[3] != QLatin1Char(',') || !parseHex(QStringView(entry).left(3)))
            __builtin_trap();
    return 0;
}
