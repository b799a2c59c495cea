// Any text as "Varlist.txt" and "Varlist2.txt" (the input split at its first zero byte): the list
// builder either refuses with the list untouched or builds a list within its capacity.
#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "catalogue/Decoder.h"

#include <cstddef>
#include <cstdint>

// The list builder names the two files in its messages; they are named under a folder of their
// own rather than the program's, which needs an application object this target has not.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    programfolder::setOverride(QStringLiteral("/fuzz"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const qsizetype cut = input.indexOf('\0');
    const QStringList varlist = textfile::splitLines(cut < 0 ? input : input.left(cut));
    const QStringList varlist2 = textfile::splitLines(cut < 0 ? QByteArray() : input.mid(cut + 1));

    CatalogueData catalogue;
    catalogue.superBlockWords = QStringList{QStringLiteral("0001")} + QStringList(8, QStringLiteral("0000")) +
                                QStringList{QStringLiteral("001D")} + QStringList(11, QStringLiteral("0000")) +
                                QStringList{QStringLiteral("0000")};
    decodeSuperBlock(catalogue);
    catalogue.variableList = QStringList{QStringLiteral("00600000,Before"), QStringLiteral("END")};
    const QStringList before = catalogue.variableList;

    const CatalogueOutcome built = buildVariableList(catalogue, varlist, varlist2);
    const QStringList &list = catalogue.variableList;
    if (!built.proceed) {
        if (list != before || catalogue.variableListBuilt || built.messages.size() != 1)
            __builtin_trap();
        return 0;
    }
    if (list.size() > CatalogueData::kMaxVariableEntries + 1 || list.last() != QLatin1String("END") ||
        variableNames(list).size() != list.size() - 1)
        __builtin_trap();
    // The first block output resolves unless an earlier line of the files took its name.
    const QString address = variableAddress(list, QStringLiteral("PI3A11"));
    if (address.isEmpty() || address.size() != 8)
        __builtin_trap();
    return 0;
}
