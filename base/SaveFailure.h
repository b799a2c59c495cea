#pragma once
// How the program tells the user that a file could not be saved (a .trd or .mon file, a CSV export,
// a picture, a recording to file, the channel presets, the trigger set-up): one message box, its
// text the window's own message, its detail each file that failed with the system's reason.

#include <QString>
#include <QStringList>

class Dialogs;

namespace savefailure {

// "path: reason", the reason in the system's words; the path alone when there is no reason to give.
QString pathAndReason(const QString &path, const QString &reason);

// Shows `message` with `failures` ("path: reason" each, one a line) as its detail.
void report(Dialogs &dialogs, const QString &message, const QStringList &failures);
// The same for one file.
void report(Dialogs &dialogs, const QString &message, const QString &path, const QString &reason);

} // namespace savefailure
