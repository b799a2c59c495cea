#include "catalogue/DataReadControl.h"

#include "base/PortPause.h"
#include "catalogue/VariablesListTexts.h"
#include "program/Workspace.h"

DataReadControl::DataReadControl(Workspace &ws, QObject *parent) : QObject(parent), ws_(ws)
{
    portPause_ = new PortPause(this);
    connect(portPause_, &PortPause::finished, this, &DataReadControl::pauseEnded);
}

DataReadControl::~DataReadControl()
{
    if (task_)
        task_->cancel();
    if (running_) {
        ws_.linkThread.close(PortUser::DataRead);
        ws_.session.releaseLine(LineHolder::DataRead);
    }
}

void DataReadControl::start()
{
    if (running_)
        return;
    running_ = true;
    portOpened_ = false;
    ws_.session.takeLine(LineHolder::DataRead);
    emit started();
    ws_.linkThread.open(PortUser::DataRead, this, [this](LinkThread::OpenOutcome outcome) { takeOpenOutcome(outcome); });
}

void DataReadControl::takeOpenOutcome(LinkThread::OpenOutcome outcome)
{
    // Another window of the program holds the port; the message has said which one.
    if (outcome == LinkThread::OpenOutcome::Held) {
        end();
        return;
    }
    portOpened_ = outcome == LinkThread::OpenOutcome::Opened;
    // The controller is given a moment after the port opened, also when it did not open.
    portPause_->start();
}

void DataReadControl::pauseEnded()
{
    if (!portOpened_) {
        ws_.dialogs.showMessage(kCommPortOpenError);
        ws_.linkThread.close(PortUser::DataRead);
        end();
        return;
    }
    startReading();
}

void DataReadControl::startReading()
{
    task_ = ws_.linkThread.newTask();
    const LinkThread::Reply reply = ws_.linkThread.replyTo(this);
    ws_.linkThread.post([this, task = task_, reply, catalogue = ws_.catalogue](Link &link) {
        ReadBuffer buffer(kReadBufferSize, 0);
        DataReadReport report;
        const DataReadWatch watch = [&](const DataReadProgress &progress) {
            reply([this, progress] {
                if (running_)
                    emit progressed(progress);
            });
            return !task->cancelled();
        };
        const std::optional<QStringList> lines = readSuperBlockImage(link, buffer, watch, &report);
        if (report.stopped || task->cancelled())
            return; // given up (the window or the program went): nothing of it lands
        std::optional<DataReadOutcome> outcome;
        if (lines)
            outcome = storeCheckDecodeBuild(*lines, catalogue);
        reply([this, outcome, report] { readingEnded(outcome, report); });
    });
}

void DataReadControl::readingEnded(const std::optional<DataReadOutcome> &outcome, const DataReadReport &report)
{
    task_.reset();
    ws_.linkThread.close(PortUser::DataRead);
    if (outcome) {
        for (const QString &text : outcome->messages)
            ws_.dialogs.showMessage(text);
        if (outcome->catalogue) {
            ws_.catalogue = *outcome->catalogue;
            emit listBuilt();
        }
    } else if (report.failedAddress) {
        // The list and the file of the last good read stay; the user must know they are not new.
        ws_.dialogs.showMessage(dataReadFailed(*report.failedAddress, report.failedCode));
    }
    end();
}

void DataReadControl::end()
{
    // However the read ended, a list that was built before is still there to run a trend with:
    // RUN/STOP is not left off because this read failed.
    ws_.session.setCatalogueDecoded(ws_.catalogue.variableListBuilt);
    ws_.session.releaseLine(LineHolder::DataRead);
    running_ = false;
    ++readsEnded_;
    emit ended();
}
