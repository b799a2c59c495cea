#pragma once
// A trend run without its window: the checks and preparation of a start, the port open and the
// pause after it, the passes the link thread reads and hands over, storing and drawing each one
// into the recording and the graph layers, the error trace, and the end. The window shows what it
// hears; a test drives a run without any window.

#include "link/NoReplyWatch.h"
#include "program/Workspace.h"
#include "trend/graph/GraphLayers.h"
#include "trend/run/MathTraces.h"
#include "trend/model/TrendData.h"
#include "trend/model/RunStart.h"
#include "trend/model/TrendPoll.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class ErrorTrace;
class PortPause;

class TrendRun : public QObject {
    Q_OBJECT
public:
    TrendRun(Workspace &ws, TrendData &data, GraphLayers &layers, QObject *parent = nullptr);
    ~TrendRun() override;

    // Checks the channel records (names resolved, scales drawable), saves them as the presets
    // (with `numberBaseCaption`, "Dec" or "Hex"), builds the selection, clears the recording and
    // opens the port. The message of a refused start, or nothing when the port open is on its way.
    std::optional<QString> start(const QString &numberBaseCaption);
    // Ends a run or a start at once; the port goes back after the exchange in flight.
    void stop();

    // From the end of the pause after the port opened until the run ends.
    bool isActive() const { return active_; }
    // From the port open until the pause after it is over.
    bool isStarting() const { return starting_; }
    // Passes are being read.
    bool pollArmed() const { return task_ != nullptr; }
    // Passes stored since the run object was made (for tests and benchmarks).
    quint64 passesStored() const { return passesStored_; }
    // The wait time of the port settings as milliseconds; text that is not a whole number of 0 or
    // more counts as 0.
    int waitTimeMs() const;
    // The math channels the next run computes (refused at start() with the fault's position when
    // they cannot be computed over its channels).
    MathTraces &math() { return math_; }
    // The requests of a pass of the current or last run; it changes when a block read is given up.
    const readplan::ReadPlan &readPlan() const { return readPlan_; }

signals:
    // The start did not get the port; a port that failed to open has been reported already.
    void startFailed();
    // The pause is over: the passes begin.
    void samplingBegun();
    // A pass of the run has been stored and drawn on the trace layer.
    void passStored(const trendpoll::TrendPass &pass);
    // The controller has not answered since `since` (the last request of a pass got no reply, or no
    // pass came within one reply time of when it was due); and it answers again.
    void noReply(const QDateTime &since);
    void replyAgain();
    // The run's error trace could not be written where it began: why, and where it goes now (empty
    // when it cannot be written at all); said once a run.
    void errorTraceMoved(const QString &problem, const QString &nowPath);

private:
    // "Asigned Address can not found", which channel, and what builds the list when nothing has.
    QString unresolvedMessage(const runstart::Resolution &resolution) const;
    void portOpened(LinkThread::OpenOutcome outcome, const LinkThread::PortMessages &messages);
    void beginSampling();
    void takePass(const std::shared_ptr<LinkTask> &task, const trendpoll::TrendPass &pass);
    void appendErrorTrace(const trendpoll::ReadFailure &failure);
    // How long a pass may take: one reply time past when it is due.
    std::chrono::milliseconds passDue() const;
    void appendErrorTrace(const readplan::BlockReadGivenUp &givenUp);
    void appendErrorTrace(const QByteArray &entry);

    Workspace &ws_;
    TrendData &data_;
    GraphLayers &layers_;
    PortPause *portPause_ = nullptr;
    NoReplyWatch *replyWatch_ = nullptr;
    std::shared_ptr<LinkTask> task_;
    bool active_ = false;
    bool starting_ = false;  // a second start is refused meanwhile
    quint64 startCount_ = 0; // tells a port open of an earlier start from the current one
    quint64 passesStored_ = 0;
    readplan::ReadPlan readPlan_;
    MathTraces math_;
    std::unique_ptr<ErrorTrace> errorTrace_; // chosen anew by each run
};
