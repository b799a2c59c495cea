#pragma once
// The program object: owns the link, the program-wide data and the main window. A test builds a
// fresh program in one line with its own dialogs.

#include "base/Dialogs.h"
#include "program/Workspace.h"
#include "link/Link.h"
#include "trend/model/TrendData.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>

class MainWindow;
class QTimer;

class Program {
public:
    explicit Program(Dialogs &dialogs);
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    // Start-up: the main window, then the Trend Graph (which opens the Variables List).
    void start();
    // Ends the program as closing its main window does, whatever is open: dialogs are cancelled
    // first (and later ones refused, a question answering Discard), then the main window closes
    // once their waits have returned. A window that cannot close yet (a Data Read still ending) is
    // tried again until kLongestEnd has passed; then the event loop is left all the same, and the
    // windows still open close as the program object goes.
    void end();

    Link link;
    Workspace ws;
    TrendData trend;
    QPointer<MainWindow> mainWindow;

private:
    // One attempt to close the main window; the event loop is left once it closed or kLongestEnd
    // passed.
    void tryToEnd();

    Dialogs &dialogs_;
    std::unique_ptr<QTimer> endTimer_;
    QElapsedTimer endClock_;
};

inline constexpr int kStartUpFailedExitCode = 1;
// How long the program's end waits for its windows to close: a session logout or a service stop
// ends it within a second or two, whatever is open or pending.
inline constexpr std::chrono::milliseconds kLongestEnd{1000};
// How often, meanwhile, the main window is asked to close again.
inline constexpr std::chrono::milliseconds kEndRetryInterval{50};

// Start-up as the program's main() runs it: `start` is to leave a window on screen. Returns 0 when
// it did. Otherwise (it threw, or nothing is shown) the reason is shown through `dialogs` and
// written to standard error, and the result is the exit code the program ends with at once,
// rather than running on with no window to close.
int startUpOrFail(Dialogs &dialogs, const std::function<void()> &start);

// The files named on the command line (`qmx-trend FILE...`), each to be opened in a Recording
// window: every argument after the program's name that is no option ("--...").
QStringList recordingArguments(const QStringList &arguments);
