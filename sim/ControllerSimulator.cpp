#include "sim/ControllerSimulatorPrivate.h"

#include <QFile>
#include <QFileInfo>
#include <sys/eventfd.h>
#include <unistd.h>

ControllerSimulator::ControllerSimulator(ControllerMemory memory)
    : d_(std::make_unique<Impl>(std::move(memory), served_))
{
}

ControllerSimulator::~ControllerSimulator() { stop(); }

bool ControllerSimulator::start(QString *error, const QString &linkPath)
{
    if (d_->started) {
        if (error)
            *error = QStringLiteral("the simulator is already running");
        return false;
    }
    if (!linkPath.isEmpty()) {
        // Replace an earlier link of ours, never a file someone else put there.
        const QFileInfo existing(linkPath);
        if (existing.exists() && !existing.isSymLink()) {
            if (error)
                *error = QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath);
            return false;
        }
    }
    d_->wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (d_->wakeFd < 0) {
        if (error)
            *error = QStringLiteral("eventfd: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    {
        std::lock_guard lock(d_->mutex);
        d_->linkPath = linkPath;
        if (!d_->openLine(error) || !d_->pointLink(error)) {
            d_->closeLineLocked();
            Impl::closeFd(d_->wakeFd);
            d_->linkPath.clear();
            return false;
        }
        d_->demoStart = Impl::Clock::now();
    }
    d_->started = true;
    d_->startThread();
    return true;
}

void ControllerSimulator::stop()
{
    if (!d_->started)
        return;
    d_->stopThread();
    std::lock_guard lock(d_->mutex);
    d_->closeLineLocked();
    Impl::closeFd(d_->wakeFd);
    if (!d_->linkPath.isEmpty())
        ::unlink(QFile::encodeName(d_->linkPath).constData());
    d_->linkPath.clear();
    d_->started = false;
}

QString ControllerSimulator::devicePath() const
{
    std::lock_guard lock(d_->mutex);
    return d_->linkPath.isEmpty() ? d_->slavePath : d_->linkPath;
}

QString ControllerSimulator::slaveDevicePath() const
{
    std::lock_guard lock(d_->mutex);
    return d_->slavePath;
}

void ControllerSimulator::setBaud(int baud)
{
    // The program may read the speed while a reply is on its way: it never finds a pace that the
    // replies do not keep (slower is fine, faster is not).
    std::lock_guard lock(d_->mutex);
    const int rate = std::max(0, baud);
    if (rate < d_->baud.load()) {
        d_->applyLineSpeedLocked(rate);
        d_->baud = rate;
    } else {
        d_->baud = rate;
        d_->applyLineSpeedLocked(rate);
    }
}

void ControllerSimulator::addScheduledStep(const ScheduledStep &step)
{
    std::lock_guard lock(d_->mutex);
    d_->schedule.addStep(step);
}

void ControllerSimulator::addScheduledToggle(const ScheduledToggle &toggle)
{
    std::lock_guard lock(d_->mutex);
    d_->schedule.addToggle(toggle);
}

void ControllerSimulator::addScheduledResponse(const ScheduledResponse &response)
{
    std::lock_guard lock(d_->mutex);
    d_->schedule.addResponse(response);
}

std::chrono::steady_clock::time_point ControllerSimulator::scheduleStart() const
{
    std::lock_guard lock(d_->mutex);
    return d_->demoStart;
}

std::uint64_t ControllerSimulator::wordReadsOf(std::uint32_t address) const
{
    std::lock_guard lock(d_->mutex);
    return d_->schedule.readsOf(address);
}

void ControllerSimulator::setLiveDemo(bool on)
{
    std::lock_guard lock(d_->mutex);
    d_->live = on;
}

void ControllerSimulator::queueFault(const SimFault &fault)
{
    std::lock_guard lock(d_->mutex);
    d_->queuedFaults.push_back(fault);
}

void ControllerSimulator::setAddressFault(std::uint32_t address, const SimFault &fault)
{
    std::lock_guard lock(d_->mutex);
    d_->addressFaults[address] = fault;
}

void ControllerSimulator::setFaultForAllRequests(const SimFault &fault)
{
    std::lock_guard lock(d_->mutex);
    d_->faultForAll = fault;
}

void ControllerSimulator::setFaultEvery(int n, const SimFault &fault)
{
    std::lock_guard lock(d_->mutex);
    d_->faultEveryN = std::max(0, n);
    d_->faultEvery = fault;
    d_->requestsSinceEvery = 0;
}

void ControllerSimulator::clearFaults()
{
    std::lock_guard lock(d_->mutex);
    d_->faultEveryN = 0;
    d_->queuedFaults.clear();
    d_->addressFaults.clear();
    d_->faultForAll.reset();
    d_->forgetOwed = true;
}

void ControllerSimulator::setLineNoise(const LineNoise &noise)
{
    std::lock_guard lock(d_->mutex);
    d_->lineNoise = noise;
    d_->lineNoiseRandom.seed(noise.seed);
}

std::uint64_t ControllerSimulator::strayBytesSent() const { return d_->strays.load(); }

std::uint64_t ControllerSimulator::stallsMade() const { return d_->stalls.load(); }

void ControllerSimulator::sendStaleBytes(const QByteArray &bytes)
{
    std::lock_guard lock(d_->mutex);
    if (d_->master >= 0)
        d_->writeAll(bytes.constData(), bytes.size());
}

void ControllerSimulator::closeLine()
{
    if (!d_->started)
        return;
    d_->stopThread();
    std::lock_guard lock(d_->mutex);
    d_->dropLineLocked();
}

bool ControllerSimulator::reopenLine(QString *error)
{
    if (!d_->started) {
        if (error)
            *error = QStringLiteral("the simulator is not running");
        return false;
    }
    d_->stopThread();
    {
        std::lock_guard lock(d_->mutex);
        d_->closeLineLocked();
        if (!d_->openLine(error))
            return false;
        if (!d_->pointLink(error)) {
            d_->closeLineLocked();
            return false;
        }
    }
    d_->startThread();
    return true;
}

void ControllerSimulator::writeWord(std::uint32_t address, std::uint16_t value)
{
    std::lock_guard lock(d_->mutex);
    d_->memory.setWord(address, value);
}

std::uint16_t ControllerSimulator::readWord(std::uint32_t address) const
{
    std::lock_guard lock(d_->mutex);
    return d_->memory.word(address);
}

ControllerMemory ControllerSimulator::memorySnapshot() const
{
    std::lock_guard lock(d_->mutex);
    return d_->memory;
}

QByteArray ControllerSimulator::lastRequest() const
{
    std::lock_guard lock(d_->mutex);
    return d_->lastRequest;
}

std::deque<QByteArray> ControllerSimulator::requestLog() const
{
    std::lock_guard lock(d_->mutex);
    return d_->log;
}

void ControllerSimulator::clearRequestLog()
{
    std::lock_guard lock(d_->mutex);
    d_->log.clear();
    d_->lastRequest.clear();
}
