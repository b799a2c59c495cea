#include "trend/tools/TriggerControl.h"

#include "base/ProgramFolder.h"
#include "base/SaveFailure.h"
#include "base/TextFile.h"
#include "program/Workspace.h"
#include "trend/model/Cursor.h"
#include "trend/model/TrendCsv.h"
#include "trend/model/TrendData.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/readout/TrendReadout.h"

#include <algorithm>

TriggerControl::TriggerControl(Workspace &ws, const TrendData &data, QWidget *window)
    : QObject(window), ws_(ws), data_(data), window_(window)
{
    if (const std::optional<QStringList> lines = textfile::readLines(programfolder::file(kTriggerFile)))
        setup_ = trigger::parseSetupLines(*lines);
}

TriggerControl::~TriggerControl() = default;

void TriggerControl::openDialog(const std::vector<TriggerDialog::Channel> &channels, bool hex)
{
    if (!dialog_) {
        dialog_ = new TriggerDialog(window_);
        connect(dialog_, &TriggerDialog::armAsked, this, &TriggerControl::arm);
        connect(dialog_, &TriggerDialog::disarmAsked, this, &TriggerControl::disarm);
        connect(dialog_, &TriggerDialog::refused, this, [this](const QString &message) { ws_.dialogs.showMessage(message); });
    }
    dialog_->showSetup(channels, setup_, hex, armed_);
    dialog_->show();
    dialog_->raise();
}

void TriggerControl::arm(const trigger::TriggerSetup &setup)
{
    setup_ = setup;
    armed_ = true;
    const QString path = programfolder::file(kTriggerFile);
    QString error;
    if (!textfile::writeAtomically(path, textfile::joinLinesCrLf(trigger::setupLines(setup)), &error))
        savefailure::report(ws_.dialogs, kTriggerNotSaved, path, error);
    if (dialog_)
        dialog_->showArmed(true);
    emit armedChanged(true);
}

void TriggerControl::disarm()
{
    armed_ = false;
    if (dialog_)
        dialog_->showArmed(false);
    endCapture();
    emit armedChanged(false);
}

QString TriggerControl::conditionText(bool hex) const
{
    const cursor::Base base = hex ? cursor::Base::Hex : cursor::Base::Dec;
    return trigger::setupText(
        *setup_, [this](int c) { return trendcsv::columnName(data_.channels[static_cast<std::size_t>(c)], c); },
        [base](int c, std::int32_t level) { return cursor::valueText(c, level, base, cursor::LogicText::Value); });
}

void TriggerControl::beginCapture(int rowsStored, bool hex)
{
    if (!setup_)
        return;
    capture_ = std::make_unique<trigger::RingCapture>(*setup_, rowsStored);
    rowsBeforeCapture_ = rowsStored;
    armedText_ = kBandTriggerArmed.arg(conditionText(hex));
    showArmed();
}

void TriggerControl::showArmed()
{
    // While the rows before the trigger are stored, the band counts them.
    if (capture_->fillingPreRows())
        emit bandTextChanged(armedText_ + kBandFillingPreRows.arg(capture_->rowsStoredOfRun()).arg(setup_->preRows));
    else
        emit bandTextChanged(armedText_);
}

std::optional<int> TriggerControl::takeStoredRow()
{
    if (!capture_)
        return std::nullopt;
    const std::size_t row = static_cast<std::size_t>((data_.ringWritePos + kRingRows - 1) % kRingRows);
    const bool wasArmed = capture_->state() == trigger::RingCapture::State::Armed;
    const bool wasFilling = capture_->fillingPreRows();
    const trigger::RingCapture::State state =
        capture_->takeRow(data_.sampleRing[row], data_.rowInfoRing[row].failedChannels);
    if (state == trigger::RingCapture::State::Armed) {
        if (wasFilling)
            showArmed();
        return std::nullopt;
    }
    const int triggerRowOfRun = rowsBeforeCapture_ + *capture_->triggerRowNumber();
    if (wasArmed) {
        firedAt_ = readout::rowWallTime(data_, data_.rowInfoRing[row]);
        rowsAfterTrigger_ = 0;
    } else {
        ++rowsAfterTrigger_;
    }
    if (state != trigger::RingCapture::State::Complete) {
        // From the moment it fires the band says so, and how far the rows after it have come. The
        // row is the one it will have on the graph once the capture is complete.
        const int rowsFrom = trigger::rowsFromTrigger(capture_->setup().preRows);
        const int rowsStoredAtEnd = triggerRowOfRun - 1 + rowsFrom;
        const std::optional<int> shownRow =
            trigger::shownRowIndex(triggerRowOfRun, rowsStoredAtEnd, std::min(rowsStoredAtEnd, kRingRows - 1));
        emit bandTextChanged(triggeredText(firedAt_, shownRow.value_or(0), rowsAfterTrigger_, rowsFrom - 1));
        return std::nullopt;
    }
    capture_.reset();
    return triggerRowOfRun;
}

QString TriggerControl::triggeredText(const std::optional<QDateTime> &when, int row, std::optional<int> rowsAfter,
                                      int rowsAfterAsked) const
{
    QString text = kBandTriggered.arg(when ? when->toString(kBandTimeFormat) : QString()).arg(row);
    if (rowsAfter)
        text += kBandCapturing.arg(*rowsAfter).arg(rowsAfterAsked);
    if (setup_ && row < setup_->preRows)
        text += kBandOnlyRowsBefore.arg(row);
    return text;
}

void TriggerControl::endCapture()
{
    if (!capture_)
        return;
    capture_.reset();
    emit bandTextChanged(QString());
}
