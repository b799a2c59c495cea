#pragma once
// Open and Save of the Trend Graph's .trd files: the file asked for through the dialogs seam, read
// into the recording or written from the last run's rows, and every refusal said through the seam.
// The window shows what was opened or saved.

#include "trend/model/TrendData.h"

#include <QString>
#include <optional>

class Dialogs;

class TrendFileStore {
public:
    TrendFileStore(Dialogs &dialogs, TrendData &data) : dialogs_(dialogs), data_(data) {}

    enum class OpenOutcome { Opened, Cancelled, Refused };
    // Asks for a .trd and reads it into the recording and the channel records, its bare name into
    // `fileName`. Refused when the file could not be read or is no trend file (said already).
    OpenOutcome open(QString *fileName) { return openInto(dialogs_, data_, fileName); }
    // The same for any recording: a .trd asked for through `dialogs` and read into `data`.
    static OpenOutcome openInto(Dialogs &dialogs, TrendData &data, QString *fileName);
    // Asks where to save (offering a name with the time) and writes the last run's rows, whatever
    // Open has shown since. What the band says of it, or nothing when the user cancelled or the
    // name or the write was refused.
    std::optional<QString> save();

private:
    Dialogs &dialogs_;
    TrendData &data_;
};
