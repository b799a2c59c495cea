#include "trend/window/TrendFileActions.h"

#include "base/WindowPrint.h"
#include "program/Workspace.h"
#include "trend/model/Cursor.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/LoseWorkGuard.h"
#include "trend/window/ReadoutBand.h"
#include "trend/window/TrendGraphView.h"

#include <QWidget>

TrendFileActions::TrendFileActions(const Parts &parts, QWidget *window)
    : QObject(window), parts_(parts), window_(window), files_(parts.ws.dialogs, parts.data)
{
}

bool TrendFileActions::open()
{
    QString fileName;
    const TrendFileStore::OpenOutcome outcome = files_.open(&fileName);
    if (outcome == TrendFileStore::OpenOutcome::Refused)
        return false;
    if (outcome == TrendFileStore::OpenOutcome::Opened) {
        TrendGraphView &view = parts_.view;
        view.placeCursor(cursor::positionOnLastRow(parts_.data.rowCount));
        // A .trd holds no times: no second cursor on its rows, and no trigger row.
        view.forgetSecondCursor();
        view.setTriggerMark(std::nullopt);
        parts_.guard.kept();
        parts_.band.showFile(fileName);
        parts_.table.showRecords(parts_.data.channels);
        parts_.table.showSelectedRows(parts_.data.channels);
        view.redrawRecordedTraces();
        view.drawCursorLayer();
        view.showCursorValues(false);
        view.compose(true);
    }
    return true;
}

bool TrendFileActions::save()
{
    const std::optional<QString> text = files_.save();
    if (!text)
        return false;
    parts_.guard.kept();
    emit saved(*text);
    return true;
}

void TrendFileActions::print() { windowprint::printWindowOnChosenPrinter(*window_, parts_.ws.dialogs); }
