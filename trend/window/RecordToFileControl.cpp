#include "trend/window/RecordToFileControl.h"

#include "base/Dialogs.h"
#include "base/SaveFailure.h"
#include "base/TextFile.h"
#include "base/TimeText.h"
#include "trend/model/TrendCsv.h"
#include "trend/model/TrendData.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/readout/TrendReadout.h"

#include <QAction>
#include <QMenu>
#include <QTimer>
#include <utility>

RecordToFileControl::RecordToFileControl(Dialogs &dialogs, const TrendData &data, QMenu *menu,
                                         std::function<bool()> runActive, QObject *parent)
    : QObject(parent), dialogs_(dialogs), data_(data), runActive_(std::move(runActive))
{
    menu->addSeparator();
    recordAction_ = menu->addAction(kRecordToFileCaption);
    recordAction_->setObjectName(QStringLiteral("RecordToFileAction"));
    connect(recordAction_, &QAction::triggered, this, &RecordToFileControl::recordToFile);
    updateAction();

    recordingFlush_ = new QTimer(this);
    recordingFlush_->setInterval(CsvWriter::kFlushInterval);
    connect(recordingFlush_, &QTimer::timeout, this, &RecordToFileControl::flushRecording);
}

void RecordToFileControl::updateAction() { recordAction_->setEnabled(!recording_.isOpen()); }

void RecordToFileControl::recordToFile()
{
    if (recording_.isOpen())
        return;
    const bool runBefore = runActive_();
    const QString path = dialogs_.askSaveFile(
        kCsvFilter, kCsvExtension,
        timetext::stampedFileName(kRecordingFileStem, kCsvExtension, QDateTime::currentDateTime()));
    // The run may have ended (or begun) while the dialog was open.
    if (path.isEmpty() || runActive_() != runBefore)
        return;
    if (!runBefore) {
        pendingRecordingPath_ = path;
        emit recordingTextChanged(kRecordingFromFirstRow.arg(textfile::bareFileName(path)));
        return;
    }
    startRecording(path, false);
}

void RecordToFileControl::beginPendingRecording()
{
    if (pendingRecordingPath_.isEmpty())
        return;
    startRecording(std::exchange(pendingRecordingPath_, QString()), true);
}

void RecordToFileControl::startRecording(const QString &path, bool fromFirstRow)
{
    recordingFromFirstRow_ = fromFirstRow;
    if (!recording_.open(path, std::chrono::steady_clock::now())) {
        savefailure::report(dialogs_, kRecordingOpenError, path, recording_.error());
        return;
    }
    // The run's math channels, when it has any, follow the read channels.
    recording_.addHeader(trendcsv::headerLine(trendcsv::selectedColumns(data_) + trendcsv::mathColumns(data_)));
    recordingFlush_->start();
    emit recordingTextChanged(kRecordingTo.arg(textfile::bareFileName(path)));
}

void RecordToFileControl::recordPass()
{
    if (!recording_.isOpen())
        return;
    // The row just stored is the one before the ring's write position.
    const auto stored = static_cast<std::size_t>((data_.ringWritePos + kRingRows - 1) % kRingRows);
    const QByteArray line = trendcsv::rowLine(readout::csvRow(data_, data_.sampleRing[stored], data_.rowInfoRing[stored]),
                                              trendcsv::mathCells(data_, data_.mathRing[stored]));
    if (!recording_.addRow(line, std::chrono::steady_clock::now()))
        stopRecordingAfterFailure();
}

void RecordToFileControl::flushRecording()
{
    if (recording_.isOpen() && !recording_.flush(std::chrono::steady_clock::now()))
        stopRecordingAfterFailure();
}

void RecordToFileControl::stopRecordingAfterFailure()
{
    recordingFlush_->stop();
    savefailure::report(dialogs_, kRecordingWriteError, recording_.path(), recording_.error());
    emit recordingTextChanged(kRecordingStoppedOnWriteFailure);
}

void RecordToFileControl::endRecording()
{
    recordingFlush_->stop();
    if (!recording_.isOpen())
        return;
    const std::uint64_t rows = recording_.rows();
    if (!recording_.close()) {
        stopRecordingAfterFailure();
        return;
    }
    emit recordingTextChanged(kRecordedRowsTo.arg(rows).arg(textfile::bareFileName(recording_.path())));
}
