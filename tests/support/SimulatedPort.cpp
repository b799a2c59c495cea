#include "tests/support/SimulatedPort.h"

#include "tests/support/TestEnvironment.h"

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
