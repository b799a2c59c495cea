#pragma once
// A qmx-record run once its channels are settled, the port open and the output ready: passes read
// on a thread of their own and written to the output and the brokers, the status line brought up
// to date every tick, and the end (duration, last event, stop signal, failed write) with its
// summary and exit code.

#include "link/LinkThread.h"
#include "record/MqttPublisher.h"
#include "record/PartialOutput.h"
#include "record/RunOutcome.h"
#include "record/RunRecording.h"

#include <QString>
#include <memory>
#include <thread>
#include <vector>

class Link;

namespace record {

struct RecordOptions;
class RunChannels;
class RunStopSignals;

class RunSession {
public:
    RunSession(Link &link, PartialOutput &output, const RunChannels &channels, const RecordOptions &options);
    RunSession(const RunSession &) = delete;
    RunSession &operator=(const RunSession &) = delete;

    // Records to the end; the exit code, its message said.
    int record(const RunStopSignals &stop);

private:
    // The brokers and the output's first write; the message, or nothing.
    QString start();
    // Every tick until the end: the file brought up to date and put in place with its first row,
    // the status line.
    void watch(const RunStopSignals &stop);
    // The exchange in flight ends; a pass it cut short is not written, so the file ends with a
    // whole row. The port is closed, and the brokers are given a while for what waits.
    void stop();
    // The trigger's progress and each broker's state, for the status line.
    QString runState() const;

    Link &link_;
    PartialOutput &output_;
    const RunChannels &channels_;
    const RecordOptions &options_;
    RunRecording recording_;
    std::vector<std::unique_ptr<MqttPublisher>> publishers_;
    LinkTask task_;
    std::thread reader_;
    const bool showStatus_;
    RunEnd end_;
};

} // namespace record
