#pragma once
// The one owner of the program's run state: which windows are open, who holds the line (a trend
// run, a Monitor poll, a Data Read or nobody) and whether a catalogue is decoded. It says when any
// of it changes; every window connects once, is handed the state when it is made, and works out
// its own buttons from it with the rules below, so that "may Data Read be pressed now?" has one
// answer in one place. QtCore only.

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>

enum class LineHolder { None, TrendRun, MonitorPoll, DataRead };

// The pause before each trend sampling pass: the text as the user typed it in the port settings
// (shown there again), and what it was read as once, when it was typed.
struct WaitTime {
    QString typed = QStringLiteral("0");
    std::chrono::milliseconds pause{0};
    friend bool operator==(const WaitTime &, const WaitTime &) = default;
};

struct SessionState {
    bool trendGraphOpen = false;
    bool monitorOpen = false;
    bool variablesListOpen = false;
    LineHolder lineHolder = LineHolder::None;
    // The variable list is built from a checked super block, so a trend run has names to read.
    bool catalogueDecoded = false;
    WaitTime waitTime;

    friend bool operator==(const SessionState &, const SessionState &) = default;
};

// The Trend Graph's RUN/STOP: a catalogue to run with, and no Data Read on the line.
bool trendRunAllowed(const SessionState &state);
// The Variables List's "Data Read": no trend run holds the line (from RUN until the run ends).
bool dataReadAllowed(const SessionState &state);
// Display > Trend Graph and Display > Moniter: the two windows exclude each other.
bool displayWindowAllowed(const SessionState &state);

class Session : public QObject {
    Q_OBJECT
public:
    const SessionState &state() const { return state_; }

    void setTrendGraphOpen(bool open);
    void setMonitorOpen(bool open);
    void setVariablesListOpen(bool open);
    void setCatalogueDecoded(bool decoded);
    void setWaitTime(const WaitTime &waitTime);
    // `holder` takes the line; release() gives it back, only when `holder` still holds it.
    void takeLine(LineHolder holder);
    void releaseLine(LineHolder holder);

signals:
    void changed(const SessionState &state);

private:
    // Applies `edit` to a copy of the state and says so when that changed anything.
    void change(const std::function<void(SessionState &)> &edit);

    SessionState state_;
};
