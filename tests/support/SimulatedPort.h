#pragma once
// The controller simulator as a test's serial line: it serves the memory it was given on a
// pseudo-terminal, its device reached through a link path when one is given, and a COM name of the
// configuration store can be pointed at that device and made the chosen port, so that the
// program's own way of opening the port finds it. It stops when it goes.

#include "sim/ControllerSimulator.h"

#include <QString>

class SimulatedPort {
public:
    explicit SimulatedPort(ControllerMemory memory = ControllerMemory::demoImage());
    ~SimulatedPort();
    SimulatedPort(const SimulatedPort &) = delete;
    SimulatedPort &operator=(const SimulatedPort &) = delete;

    // Starts serving. With a `portName` ("COM1") that name opens the device from now on and is the
    // chosen port; without one the test opens devicePath() itself. `linkPath`, when given, is a
    // symbolic link to the device that follows it when the line is opened again. False, with
    // error() saying why, when the simulator could not start.
    bool start(const QString &portName = QString(), const QString &linkPath = QString());
    // Points `portName` at the device and makes it the chosen port: after the test pointed the name
    // elsewhere, or the line came back on another pseudo-terminal.
    void mapTo(const QString &portName) const;

    QString error() const { return error_; }
    ControllerSimulator &simulator() { return simulator_; }
    const ControllerSimulator &simulator() const { return simulator_; }
    // The device the program opens: the link path when one was given, else the pseudo-terminal.
    QString devicePath() const { return simulator_.devicePath(); }

private:
    ControllerSimulator simulator_;
    QString error_;
};

// While a program reads from `sim`: waits for its `from`th read of the word at `address`, refuses
// the reads after it with "D" until the `to`th, then answers again. Counted, not timed, so that a
// loaded machine gives the same failed rows. Each wait gives up after 20 s.
void refuseWordReads(ControllerSimulator &sim, std::uint32_t address, std::uint64_t from, std::uint64_t to);
