// Trend data file and printing of the Trend Graph window.

#include "base/TextFile.h"
#include "base/WindowPrint.h"
#include "trend/Cursor.h"
#include "trend/Messages.h"
#include "trend/RunStart.h"
#include "trend/TrendFile.h"
#include "trend/TrendReadout.h"
#include "trend/Trendgph.h"

#include <QPrinter>
#include <QPushButton>

void TTrendDspForm::Button6Click()
{
    const QString path = ws_.dialogs.AskOpenFile(trendfile::kFilter);
    if (!path.isEmpty()) {
        const std::optional<QStringList> lines = textfile::ReadLines(path);
        if (!lines) {
            ws_.dialogs.ShowMessage(kTrendFileReadError);
            return;
        }
        // A wrong channel number, Sel or A/L refuses the file the way .trd readers always have:
        // the fields read before it have replaced the old settings. What this program checks
        // beyond that (the data lines, the row count, the END line, the scales) refuses the file
        // as a whole, so such a file changes nothing.
        std::array<ChannelRecord, kChannels> settings = data_.channels;
        if (!trendfile::ReadSettings(*lines, settings)) {
            data_.channels = settings;
            ws_.dialogs.ShowMessage(kIncorrectFileData);
            return;
        }
        const auto rows = trendfile::ReadDataRows(*lines);
        if (!rows || !trendfile::SelectedScalesAreNumbers(settings)) {
            ws_.dialogs.ShowMessage(kIncorrectFileData);
            return;
        }
        data_.channels = settings;
        std::copy(rows->begin(), rows->end(), data_.displayRows.begin());
        data_.rowCount = static_cast<int>(rows->size());
        // A .trd holds no times: the rows shown from it have none, and no second cursor.
        readout::ForgetDisplayRowInfo(data_);
        secondCursorX_.reset();

        ShowChannelTable();
        ApplyChannelVisibility();
        runstart::BuildSelection(data_);
        DrawRecordedTraces();
        data_.cursorX = cursor::PositionOnLastRow(data_.rowCount);
        DrawCursorLayer();
        ShowCursorValues();
        ComposeGraph(true);
    }
    button(3)->setEnabled(true);
    button(4)->setEnabled(true);
    button(5)->setEnabled(true);
    DrawColourKey(true);
    ShowReadoutBand();
}

void TTrendDspForm::Button7Click()
{
    // Save writes the last run's rows, whatever Open has shown since.
    UnrollSamples();
    const QString path = ws_.dialogs.AskSaveFile(trendfile::kFilter, trendfile::kExtension);
    if (path.isEmpty())
        return;
    const QString fileName = textfile::BareFileName(path);
    if (!fileName.contains(trendfile::kNameMark)) {
        ws_.dialogs.ShowMessage(kIncorrectFileName);
        return;
    }
    const QStringList lines = trendfile::FormatLines(fileName, data_.channels, data_.displayRows, data_.rowCount);
    QString error;
    if (!textfile::WriteAtomically(path, textfile::JoinLinesCrLf(lines), &error))
        ws_.dialogs.ShowMessage(kTrendFileWriteError + QLatin1Char('\n') + error);
}

void TTrendDspForm::Button8Click()
{
    windowprint::PrintWindowOnChosenPrinter(*this, ws_.dialogs);
}
