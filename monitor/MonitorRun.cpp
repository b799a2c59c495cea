#include "monitor/MonitorRun.h"

#include "base/PortPause.h"

using namespace monitor;

MonitorRun::MonitorRun(LinkThread &linkThread, Session &session, const CatalogueData &catalogue,
                       const SectionTable &sections, QObject *parent)
    : QObject(parent), linkThread_(linkThread), session_(session), catalogue_(catalogue), sections_(sections)
{
    portPause_ = new PortPause(this);
    connect(portPause_, &PortPause::finished, this, &MonitorRun::beginPolling);
}

MonitorRun::~MonitorRun()
{
    // A run destroyed without being ended must not keep the port.
    releasePort();
}

void MonitorRun::release()
{
    if (opening_ || released_)
        return;
    opening_ = true;
    session_.takeLine(LineHolder::MonitorPoll);
    linkThread_.open(PortUser::Monitor, this, [this](LinkThread::OpenOutcome outcome) {
        takeOpenOutcome(outcome == LinkThread::OpenOutcome::Opened);
    });
}

void MonitorRun::takeOpenOutcome(bool opened)
{
    opening_ = false;
    if (!opened || ended_) {
        session_.releaseLine(LineHolder::MonitorPoll);
        return;
    }
    released_ = true;
    emit released();
    // The controller needs a moment after the port opens; the window stays live meanwhile.
    portPause_->start();
}

void MonitorRun::beginPolling()
{
    if (ended_ || !released_)
        return;
    task_ = linkThread_.newTask();
    lineStats_ = ExchangeStats{};
    releasePasses_ = 0;
    releaseStarted_ = lastSectionRead_ = std::chrono::steady_clock::now();
    emit pollingBegun();
    const LinkThread::Reply reply = linkThread_.replyTo(this);
    linkThread_.post(
        [this, task = task_, table = sections_, pointers = catalogue_.pointerAddresses, reply](Link &link) {
            pollSections(link, *task, table, pointers, kReadBufferSize, [&](SectionResult result) {
                reply([this, task, result = std::move(result)] { takeSection(task, result); });
            });
        });
}

void MonitorRun::takeSection(const std::shared_ptr<LinkTask> &task, const SectionResult &result)
{
    task->taken();
    if (task != task_)
        return;
    lineStats_.merge(result.stats);
    lastSectionRead_ = std::chrono::steady_clock::now();
    if (result.outcome == PassOutcome::Complete && result.section + 1 == static_cast<int>(sections_.size())) {
        ++passesCompleted_;
        ++releasePasses_;
    }
    // The link thread ends the passes itself at a missing pointer; nothing more will come.
    if (result.outcome == PassOutcome::PointersMissing)
        task_->cancel();
    emit sectionRead(result);
    if (result.outcome == PassOutcome::PointersMissing)
        emit pointersMissing();
}

void MonitorRun::pause()
{
    portPause_->stop();
    releasePort();
    released_ = false;
    emit paused();
}

void MonitorRun::end()
{
    ended_ = true;
    portPause_->stop();
    releasePort();
}

void MonitorRun::releasePort()
{
    if (task_) {
        task_->cancel();
        task_.reset();
    }
    linkThread_.close(PortUser::Monitor);
    session_.releaseLine(LineHolder::MonitorPoll);
}
