#pragma once
// The super-block data file "sbdata.qmx": twelve lines "@ADDR,COUNT,WORD,...," holding the super
// block and the memory areas around it as the Data Read found them in the controller. Reading them
// from the controller over the link, and checking the file (or the lines) before decoding.

#include "catalogue/CatalogueData.h"
#include "link/Link.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

inline const QString kSuperBlockFileName = QStringLiteral("sbdata.qmx");

struct CheckOutcome {
    int errorCount = 0;    // failed tests; "ERROR:QMX file data is error." is among the messages
    bool proceed = true;   // false: the Data Read ends here, nothing was changed
    QStringList messages;  // texts to show, in order
};

// Checks the twelve lines against the fixed texts, sets pointerAddresses from line 5 and
// superBlockWords from line 6 when their tests pass, and counts every failed test (one message
// however many). A line 5 word or a line 6 count that is not hexadecimal, or fewer than twelve
// lines, ends the Data Read with nothing changed. `fileName` names the file in messages.
CheckOutcome checkSuperBlockLines(const QStringList &lines, CatalogueData &data, const QString &fileName);
// The same on the lines of the file at `path`; a file that cannot be read ends the Data Read.
CheckOutcome checkSuperBlockFile(const QString &path, CatalogueData &data);

// The words the super-block reader takes at most, closing word included.
inline constexpr int kSuperBlockReadLimit = CatalogueData::kMaxSuperBlockWords;

// Reads the super block and the areas around it from the controller (the port must be open) and
// returns the twelve lines of the data file, or nothing when any read failed. `buffer` is the
// read buffer of the Data Read. The super block is read header by header until a zero word; it
// stops without one after 992 words, and after a header whose type code is above 124 (that header
// is the last word kept; the decoder reports it).
//
// `watch`, when given, hears the progress after every read and may stop the reading by answering
// false. `report`, when given, tells how far the reading came and where it ended early.
struct DataReadProgress {
    int reads = 0;           // block reads done
    int superBlockWords = 0; // words of the super block read so far
};
using DataReadWatch = std::function<bool(const DataReadProgress &)>;
struct DataReadReport {
    DataReadProgress progress;
    bool stopped = false;              // the watch stopped the reading
    std::optional<quint32> failedAddress; // first address of the read that failed
    int failedCode = 0;                // its result code
};
std::optional<QStringList> readSuperBlockImage(Link &link, ReadBuffer &buffer, const DataReadWatch &watch = {},
                                               DataReadReport *report = nullptr);
