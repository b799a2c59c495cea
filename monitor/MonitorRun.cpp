#include "monitor/MonitorRun.h"

#include "base/PortPause.h"

#include <algorithm>

using namespace monitor;

namespace {

// The longest a section's reads may take on a line that answers: its block reads at 9600 baud
// (each chunk's request and reply), and one reply time more.
std::chrono::milliseconds longestSectionTime(const SectionTable &table)
{
    constexpr int kRequestBytes = 15;   // ENQ, letter, count, address, checksum, CR LF
    constexpr int kReplyFrameBytes = 8; // STX, echo, checksum, CR LF around the data
    constexpr int kBytesPerSecond = 960;
    int longest = 0;
    for (const MonitorSection &section : table) {
        // The pointer section reads one word at each of its four addresses.
        const bool pointers = section.source == SectionSource::Pointers;
        const int bytes = pointers ? 8 : 2 * section.words;
        const int chunks = pointers ? 4 : std::max(1, (bytes + Link::kChunk - 1) / Link::kChunk);
        longest = std::max(longest, chunks * (kRequestBytes + kReplyFrameBytes) + 2 * bytes);
    }
    return std::chrono::milliseconds(2100 + longest * 1000 / kBytesPerSecond);
}

} // namespace

MonitorRun::MonitorRun(LinkThread &linkThread, Session &session, const CatalogueData &catalogue,
                       const SectionTable &sections, QObject *parent)
    : QObject(parent), linkThread_(linkThread), session_(session), catalogue_(catalogue), sections_(sections)
{
    portPause_ = new PortPause(this);
    connect(portPause_, &PortPause::finished, this, &MonitorRun::beginPolling);
    replyWatch_ = new NoReplyWatch(this);
    connect(replyWatch_, &NoReplyWatch::noReply, this, &MonitorRun::noReply);
    connect(replyWatch_, &NoReplyWatch::replyAgain, this, &MonitorRun::replyAgain);
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
    releaseFigures_.begin(std::chrono::steady_clock::now());
    emit pollingBegun();
    replyWatch_->begin(longestSectionTime(sections_));
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
    const bool passDone =
        result.outcome == PassOutcome::Complete && result.section + 1 == static_cast<int>(sections_.size());
    releaseFigures_.take(result.stats, std::chrono::steady_clock::now(), passDone);
    replyWatch_->take(result.reply);
    if (passDone)
        ++passesCompleted_;
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
    replyWatch_->end();
    linkThread_.close(PortUser::Monitor);
    session_.releaseLine(LineHolder::MonitorPoll);
}
