// Trend data file and printing of the Trend Graph window.

#include "base/TextFile.h"
#include "base/WindowPrint.h"
#include "trend/Cursor.h"
#include "trend/Messages.h"
#include "trend/RunStart.h"
#include "trend/TrendFile.h"
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
        // The settings replace the records field by field as they are read, also when a later
        // field is refused; the rows replace the display only when the whole list is sound.
        if (!trendfile::ReadSettings(*lines, data_.channels)) {
            ws_.dialogs.ShowMessage(kIncorrectFileData);
            return;
        }
        const auto rows = trendfile::ReadDataRows(*lines);
        const runstart::ScaleProblem scales = runstart::CheckScales(data_.channels);
        if (!rows || scales == runstart::ScaleProblem::BadFullScale || scales == runstart::ScaleProblem::BadBitNumber) {
            ws_.dialogs.ShowMessage(kIncorrectFileData);
            return;
        }
        std::copy(rows->begin(), rows->end(), data_.DisplayRows.begin());
        data_.DataNumbers = static_cast<int>(rows->size());

        ShowChannelTable();
        ApplyChannelVisibility();
        runstart::BuildSelection(data_);
        DrawRecordedTraces();
        data_.CursorX = cursor::PositionOnLastRow(data_.DataNumbers);
        DrawCursorLayer();
        ShowCursorValues();
        ComposeGraph(true);
    }
    button(3)->setEnabled(true);
    button(4)->setEnabled(true);
    button(5)->setEnabled(true);
    DrawColourKey(true);
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
    const QStringList lines = trendfile::FormatLines(fileName, data_.channels, data_.DisplayRows, data_.DataNumbers);
    QString error;
    if (!textfile::WriteAtomically(path, textfile::JoinLinesCrLf(lines), &error))
        ws_.dialogs.ShowMessage(kTrendFileWriteError + QLatin1Char('\n') + error);
}

void TTrendDspForm::Button8Click()
{
    windowprint::PrintWindowOnChosenPrinter(*this, ws_.dialogs);
}
