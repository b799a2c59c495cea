#pragma once
// qmx-record's output file on its way to --out: written beside it under a temporary name and
// renamed into place once it holds a row, so a start that fails (port, channels, Ctrl-C during
// --data-read) or a run that records nothing (a trigger that never fires) leaves a file that was
// there as it was. --out itself must be a regular file or nothing yet: a device node, a FIFO or a
// folder there is never replaced.

#include <QString>

namespace record {

// Why `out` cannot be the CSV file, or nothing: it is no regular file (whatever `force` says), it
// exists and `force` is not given, or its folder cannot be written. The message names --out.
QString outPathProblem(const QString &out, bool force);

struct PartialOutput {
    QString path;      // the temporary file
    QString finalPath; // --out
    int fd = -1;       // open for writing; handed to the recording, which closes it
    bool inPlace = false;
    bool toStandardOutput = false; // --out -: nothing to put in place

    // Standard output as the output (a copy of it, so that the recording may close its own).
    bool openStandardOutput(QString *error);
    // Makes the temporary file beside `out`; false with the system's reason.
    bool open(const QString &out, QString *error);
    // Puts the file in place of --out (the recording goes on writing to it); false with the reason.
    bool moveIntoPlace(QString *error);
    // Removes the temporary file unless it is in place.
    void discard();
    // Where the file is to be found now: the temporary name, then --out; none for standard output.
    QString currentName() const { return toStandardOutput ? QString() : inPlace ? finalPath : path; }
};

} // namespace record
