#include "trend/window/GraphExport.h"

#include "base/Dialogs.h"
#include "base/SaveFailure.h"
#include "base/TextFile.h"
#include "base/TimeText.h"
#include "trend/graph/GraphPicture.h"
#include "trend/model/RingRows.h"
#include "trend/model/TrendCsv.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/readout/TrendReadout.h"
#include "trend/window/TrendGraphView.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <utility>

namespace {

QString suggestedName(const QString &extension)
{
    return timetext::stampedFileName(kTrendFileStem, extension, QDateTime::currentDateTime());
}

QString pngAtDoubleScale(const QString &path)
{
    const QFileInfo info(path);
    return info.dir().filePath(info.completeBaseName() + kDoubleScaleMark + QLatin1Char('.') + info.suffix());
}

} // namespace

GraphExport::GraphExport(Dialogs &dialogs, TrendData &data, const TrendGraphView &view, QObject *parent)
    : QObject(parent), dialogs_(dialogs), data_(data), view_(view)
{
    QMenu *menu = view_.menu();
    QAction *head = menu->actions().value(0);
    const auto addAction = [&](const char *name, const QString &caption, void (GraphExport::*handler)()) {
        auto *action = new QAction(caption, menu);
        action->setObjectName(QLatin1String(name));
        menu->insertAction(head, action);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    exportCsvAction_ = addAction("ExportCsvAction", kExportCsvCaption, &GraphExport::exportCsv);
    exportPictureAction_ = addAction("ExportPictureAction", kExportPictureCaption, &GraphExport::exportPicture);
    copyPictureAction_ = addAction("CopyPictureAction", kCopyPictureCaption, &GraphExport::copyPicture);
    updateActions();
}

void GraphExport::updateActions()
{
    const bool shown = view_.rowsShown();
    exportCsvAction_->setEnabled(shown);
    exportPictureAction_->setEnabled(shown);
    copyPictureAction_->setEnabled(shown);
}

void GraphExport::exportCsv()
{
    if (!view_.rowsShown())
        return;
    const QString path = dialogs_.askSaveFile(kCsvFilter, kCsvExtension, suggestedName(kCsvExtension));
    if (path.isEmpty())
        return;
    // Before REDRAW the rows on show are the run's, still in the ring; they are taken as Save does.
    if (!view_.cursorsEnabled())
        unrollSamples(data_);
    QString error;
    const QByteArray csv = shownRowsCsv_ ? shownRowsCsv_(data_) : readout::shownRowsCsv(data_);
    if (!textfile::writeAtomically(path, csv, &error))
        savefailure::report(dialogs_, kCsvWriteError, path, error);
    else {
        emit saved(kSavedIn.arg(textfile::bareFileName(path), QFileInfo(path).absolutePath()));
        emit rowsExported();
    }
}

QImage GraphExport::pictureAtScale(int scale) const
{
    std::vector<graphpicture::KeyEntry> key;
    for (int c : data_.selectedChannels)
        key.push_back({view_.layers().traceColours[static_cast<std::size_t>(c % 7)],
                       trendcsv::columnName(data_.channels[static_cast<std::size_t>(c)], c)});
    return graphpicture::render(view_.layers().visible, key, view_.background(), scale);
}

void GraphExport::exportPicture()
{
    if (!view_.rowsShown())
        return;
    const QString path = dialogs_.askSaveFile(kPngFilter, kPngExtension, suggestedName(kPngExtension));
    if (path.isEmpty())
        return;
    // Beside the picture at screen scale, one at twice the scale for print and high-density screens.
    const QString doublePath = pngAtDoubleScale(path);
    for (const auto &[scale, file] : {std::pair{1, path}, std::pair{2, doublePath}}) {
        QString error;
        if (!graphpicture::writePng(pictureAtScale(scale), file, &error)) {
            savefailure::report(dialogs_, kPictureWriteError, file, error);
            return;
        }
    }
    emit saved(kSavedIn.arg(kTwoFiles.arg(textfile::bareFileName(path), textfile::bareFileName(doublePath)),
                            QFileInfo(path).absolutePath()));
}

void GraphExport::copyPicture()
{
    if (!view_.rowsShown())
        return;
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setImage(pictureAtScale(1));
}
