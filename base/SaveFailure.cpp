#include "base/SaveFailure.h"

#include "base/Dialogs.h"

namespace savefailure {

QString pathAndReason(const QString &path, const QString &reason)
{
    if (reason.isEmpty())
        return path;
    return path + QStringLiteral(": ") + reason;
}

void report(Dialogs &dialogs, const QString &message, const QStringList &failures)
{
    dialogs.showMessage(message, failures.join(u'\n'));
}

void report(Dialogs &dialogs, const QString &message, const QString &path, const QString &reason)
{
    report(dialogs, message, QStringList{pathAndReason(path, reason)});
}

} // namespace savefailure
