#pragma once
// Open and Save of the Monitor's .mon files: the file asked for through the dialogs seam, read or
// written whole, and every refusal said through the seam. It remembers the name of the file the
// grids show, which Save offers again.

#include "monitor/MonitorFile.h"
#include "monitor/MonitorLayout.h"

#include <QString>
#include <optional>

class Dialogs;

class MonitorFileStore {
public:
    explicit MonitorFileStore(Dialogs &dialogs) : dialogs_(dialogs) {}

    // Asks where to save (offering the name of the file on show, else one with the time) and writes
    // the grids with `valueFormat` as the format line names it. The path written, or nothing when
    // the user cancelled or the name or the write was refused.
    std::optional<QString> save(const monitor::MonitorGrids &grids, const QString &valueFormat);
    // Asks for a file and reads it. Nothing when the user cancelled or the file could not be read
    // or ends early. A file whose format line names neither base is given back too; the caller
    // says so once it shows the file's name.
    std::optional<monitor::MonitorSnapshot> open();
    // The grids show the controller again: Save offers a name with the time.
    void forgetOpenedFile() { openedFileName_.clear(); }

private:
    Dialogs &dialogs_;
    QString openedFileName_; // the bare name of the .mon on show
};
