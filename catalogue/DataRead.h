#pragma once
// What a complete Data Read becomes: the super-block data file replaced, its lines checked, the
// super block decoded and the variable list built, on a copy of the catalogue. Everything of the
// read lands together or nothing of it. Runs on the link thread, so the file and the decoding
// never hold up a window.

#include "catalogue/CatalogueData.h"

#include <QStringList>
#include <optional>

struct DataReadOutcome {
    QStringList messages;                  // to show, in order
    std::optional<CatalogueData> catalogue; // the new catalogue, when the list was built
};

DataReadOutcome storeCheckDecodeBuild(const QStringList &lines, CatalogueData catalogue);
