#include "trend/window/TrendFileStore.h"

#include "base/Dialogs.h"
#include "base/SaveFailure.h"
#include "base/TextFile.h"
#include "base/TimeText.h"
#include "trend/graph/GraphLayers.h"
#include "trend/model/TrendFile.h"
#include "trend/readout/TrendGraphTexts.h"

#include <QDateTime>
#include <QFileInfo>

TrendFileStore::OpenOutcome TrendFileStore::openInto(Dialogs &dialogs, TrendData &data, QString *fileName)
{
    const QString path = dialogs.askOpenFile(kTrendFileFilter);
    if (path.isEmpty())
        return OpenOutcome::Cancelled;
    const std::optional<QStringList> lines = textfile::readLines(path);
    if (!lines) {
        dialogs.showMessage(kTrendFileReadError);
        return OpenOutcome::Refused;
    }
    if (trendfile::openLines(*lines, data) != trendfile::OpenOutcome::Opened) {
        dialogs.showMessage(kIncorrectFileData);
        return OpenOutcome::Refused;
    }
    *fileName = textfile::bareFileName(path);
    return OpenOutcome::Opened;
}

std::optional<QString> TrendFileStore::save()
{
    unrollSamples(data_);
    const QString path = dialogs_.askSaveFile(
        kTrendFileFilter, trendfile::kExtension,
        timetext::stampedFileName(kTrendFileStem, trendfile::kExtension, QDateTime::currentDateTime()));
    if (path.isEmpty())
        return std::nullopt;
    const QString fileName = textfile::bareFileName(path);
    if (!fileName.contains(trendfile::kNameMark)) {
        dialogs_.showMessage(kIncorrectFileName);
        return std::nullopt;
    }
    const QStringList lines = trendfile::formatLines(fileName, data_.channels, data_.displayRows, data_.rowCount);
    QString error;
    if (!textfile::writeAtomically(path, textfile::joinLinesCrLf(lines), &error)) {
        savefailure::report(dialogs_, kTrendFileWriteError, path, error);
        return std::nullopt;
    }
    return kSavedIn.arg(fileName, QFileInfo(path).absolutePath());
}
