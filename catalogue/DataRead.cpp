#include "catalogue/DataRead.h"

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "catalogue/Decoder.h"
#include "catalogue/SuperBlockFile.h"

DataReadOutcome StoreCheckDecodeBuild(const QStringList &lines, CatalogueData catalogue)
{
    DataReadOutcome outcome;
    // The file is replaced only by a complete read. Should it not be writable, the lines just
    // read are checked rather than an older file.
    const QString path = programfolder::File(kSuperBlockFileName);
    const CheckOutcome check = textfile::WriteAtomically(path, textfile::JoinLinesCrLf(lines))
                                   ? CheckSuperBlockFile(path, catalogue)
                                   : CheckSuperBlockLines(lines, catalogue, path);
    outcome.messages += check.messages;
    if (!check.proceed)
        return outcome;
    const CatalogueOutcome decoded = DecodeSuperBlock(catalogue);
    outcome.messages += decoded.messages;
    if (!decoded.proceed)
        return outcome;
    const CatalogueOutcome built = BuildVariableList(catalogue);
    outcome.messages += built.messages;
    if (built.proceed)
        outcome.catalogue = std::move(catalogue);
    return outcome;
}
