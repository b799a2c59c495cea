#include "catalogue/DataRead.h"

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "catalogue/Decoder.h"
#include "catalogue/SuperBlockFile.h"

DataReadOutcome storeCheckDecodeBuild(const QStringList &lines, CatalogueData catalogue)
{
    DataReadOutcome outcome;
    // The file is replaced only by a complete read. Should it not be writable, the lines just
    // read are checked rather than an older file.
    const QString path = programfolder::file(kSuperBlockFileName);
    const CheckOutcome check = textfile::writeAtomically(path, textfile::joinLinesCrLf(lines))
                                   ? checkSuperBlockFile(path, catalogue)
                                   : checkSuperBlockLines(lines, catalogue, path);
    outcome.messages += check.messages;
    if (!check.proceed)
        return outcome;
    const CatalogueOutcome decoded = decodeSuperBlock(catalogue);
    outcome.messages += decoded.messages;
    if (!decoded.proceed)
        return outcome;
    const CatalogueOutcome built = buildVariableList(catalogue);
    outcome.messages += built.messages;
    if (built.proceed)
        outcome.catalogue = std::move(catalogue);
    return outcome;
}
