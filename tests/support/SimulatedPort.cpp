#include "tests/support/SimulatedPort.h"

#include "tests/support/TestEnvironment.h"

#include <QDeadlineTimer>
#include <chrono>
#include <thread>
#include <utility>

SimulatedPort::SimulatedPort(ControllerMemory memory) : simulator_(std::move(memory)) {}

SimulatedPort::~SimulatedPort() { simulator_.stop(); }

bool SimulatedPort::start(const QString &portName, const QString &linkPath)
{
    error_.clear();
    if (!simulator_.start(&error_, linkPath))
        return false;
    if (!portName.isEmpty())
        mapTo(portName);
    return true;
}

void SimulatedPort::mapTo(const QString &portName) const { testenv::usePort(portName, devicePath()); }

void refuseWordReads(ControllerSimulator &sim, std::uint32_t address, std::uint64_t from, std::uint64_t to)
{
    const auto waitForReads = [&](std::uint64_t reads) {
        QDeadlineTimer deadline(20000);
        while (sim.wordReadsOf(address) < reads && !deadline.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    waitForReads(from);
    sim.setAddressFault(address, SimFault{SimFault::Kind::Nak, 'D'});
    waitForReads(to);
    sim.clearFaults();
}
