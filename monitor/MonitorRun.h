#pragma once
// The Monitor's polling without a window. Release opens the port through the link thread and
// waits the pause after it; then the link thread reads the sections pass after pass and hands each
// one back, in order, until Pause. The run keeps the figures of the current or last release; the
// window shows what it hears.

#include "catalogue/CatalogueData.h"
#include "link/PollFigures.h"
#include "link/LinkThread.h"
#include "link/NoReplyWatch.h"
#include "monitor/MonitorLayout.h"
#include "monitor/MonitorPoll.h"
#include "program/Session.h"

#include <QObject>
#include <chrono>
#include <cstddef>
#include <memory>

class PortPause;

class MonitorRun : public QObject {
    Q_OBJECT
public:
    // The Monitor's read buffer; a section never asks for more.
    static constexpr std::size_t kReadBufferSize = 30000;

    // The pointer section reads the catalogue's pointer addresses as they are when the passes begin.
    // The run tells `session` while it holds the line.
    MonitorRun(LinkThread &linkThread, Session &session, const CatalogueData &catalogue,
               const monitor::SectionTable &sections, QObject *parent = nullptr);
    ~MonitorRun() override;

    // Asks for the port; nothing while an open is on its way or the Monitor is released.
    void release();
    // Ends the polling, also during the pause after the port opened. The port goes back once the
    // exchange in flight has ended; a new release waits for that.
    void pause();
    // The window goes: the port goes back, and a port open still on its way is not taken up.
    void end();

    // From the port open through the pause after it and every pass, until pause().
    bool isReleased() const { return released_; }
    // Passes whose every section was read, since the run was made (for tests and benchmarks).
    quint64 passesCompleted() const { return passesCompleted_; }
    // The block reads of the current or last release, the passes completed in it, and the time
    // from its first pass to its last section read.
    const PollFigures &releaseFigures() const { return releaseFigures_; }

signals:
    // The port is open: the passes begin after the pause.
    void released();
    // The pause is over; the first pass is on its way.
    void pollingBegun();
    void paused();
    void sectionRead(const monitor::SectionResult &result);
    // A pointer address is no hexadecimal number (no super block read yet): the passes have ended.
    void pointersMissing();
    // The controller has not answered since `since` (the last request of a section got no reply,
    // or no section came within one reply time of when it was due); and it answers again.
    void noReply(const QDateTime &since);
    void replyAgain();

private:
    void takeOpenOutcome(bool opened);
    void beginPolling();
    void takeSection(const std::shared_ptr<LinkTask> &task, const monitor::SectionResult &result);
    void releasePort();

    LinkThread &linkThread_;
    Session &session_;
    const CatalogueData &catalogue_;
    const monitor::SectionTable sections_;
    PortPause *portPause_ = nullptr;
    NoReplyWatch *replyWatch_ = nullptr;
    std::shared_ptr<LinkTask> task_; // the passes while released
    bool opening_ = false;           // the port open is on its way
    bool released_ = false;
    bool ended_ = false;
    quint64 passesCompleted_ = 0;
    PollFigures releaseFigures_;
};
