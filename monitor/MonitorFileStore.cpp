#include "monitor/MonitorFileStore.h"

#include "base/Dialogs.h"
#include "base/SaveFailure.h"
#include "base/TextFile.h"
#include "base/TimeText.h"
#include "monitor/MonitorTexts.h"

#include <QDateTime>

using namespace monitor;

std::optional<QString> MonitorFileStore::save(const MonitorGrids &grids, const QString &valueFormat)
{
    const QString suggested =
        !openedFileName_.isEmpty()
            ? openedFileName_
            : timetext::stampedFileName(kStampedFileStem, kMonitorFileExtension, QDateTime::currentDateTime());
    const QString path = dialogs_.askSaveFile(kMonitorFileFilter, kMonitorFileExtension, suggested);
    if (path.isEmpty())
        return std::nullopt;
    const QString bareName = textfile::bareFileName(path);
    if (!bareName.contains(kMonitorFileMark)) {
        dialogs_.showMessage(kIncorrectFileName);
        return std::nullopt;
    }
    QString error;
    if (!textfile::writeAtomically(path, formatMonitorFile(bareName, valueFormat, grids), &error)) {
        savefailure::report(dialogs_, kCannotWriteFile, path, error);
        return std::nullopt;
    }
    return path;
}

std::optional<MonitorSnapshot> MonitorFileStore::open()
{
    const QString path = dialogs_.askOpenFile(kMonitorFileFilter);
    if (path.isEmpty())
        return std::nullopt;
    const std::optional<QStringList> lines = textfile::readLines(path);
    if (!lines) {
        dialogs_.showMessage(cannotReadFile(path));
        return std::nullopt;
    }
    std::optional<MonitorSnapshot> snapshot = parseMonitorFile(*lines);
    if (!snapshot) {
        dialogs_.showMessage(kMonitorFileEndsEarly);
        return std::nullopt;
    }
    openedFileName_ = textfile::bareFileName(path);
    return snapshot;
}
