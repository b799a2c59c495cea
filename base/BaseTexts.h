#pragma once
// Texts the shared helpers give the user: why a file is not read (beside the system's own reason),
// why an error trace entry was not written, and a print that failed.

#include <QString>

// A path that is no regular file (%1: what it is instead), or one larger than a file the program
// reads (%1: the limit in MiB).
inline const QString kNotRegularFile = QStringLiteral("%1, not a regular file");
inline const QString kFileTooLarge = QStringLiteral("larger than %1 MiB, too large for this file");
inline const QString kFolderKind = QStringLiteral("a folder");
inline const QString kDeviceKind = QStringLiteral("a device");
inline const QString kFifoKind = QStringLiteral("a FIFO");
inline const QString kSocketKind = QStringLiteral("a socket");
inline const QString kOtherKind = QStringLiteral("something");

// A full error trace that could not be set aside. %1 the trace, %2 the name it was to have, %3 the
// system's reason.
inline const QString kSetAsideFailed = QStringLiteral("%1 cannot be set aside as %2: %3");

inline const QString kPrintFailed = QStringLiteral("Printing failed.");
