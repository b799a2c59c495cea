#pragma once
// The link thread: one thread owns the serial port and performs every exchange with the
// controller, so no window ever waits on the line. A window posts work (open the port, a trend
// run's passes, a Monitor pass, a Data Read, close) and gets its results back as calls on its own
// thread. Work runs in the order it was posted; a long poll ends when its task is cancelled, after
// the exchange in flight.

#include "link/Link.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

// What a window and the link thread share about one activity (a run, a Monitor release, a Data
// Read): whether it is still wanted, and how many of its results the window has not taken yet.
class LinkTask {
public:
    // The window no longer wants the activity: the link thread ends it after the exchange in flight
    // and wakes from any pause of it at once.
    void cancel();
    bool cancelled() const;

    // The pause between two passes (waitTime). The window may change it while the activity runs.
    void setPause(std::chrono::milliseconds pause) { pauseMs_.store(pause.count()); }
    std::chrono::milliseconds pause() const { return std::chrono::milliseconds(pauseMs_.load()); }
    // Sleeps `duration`, or less when cancelled meanwhile. False when cancelled.
    bool sleepFor(std::chrono::milliseconds duration);

    // Hand-over of results: the link thread runs at most `limit` results ahead of the window, so a
    // busy window is never flooded. False when cancelled while waiting.
    bool waitForRoom(int limit);
    void handedOver();
    void taken();

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool cancelled_ = false;
    int untaken_ = 0;
    std::atomic<long long> pauseMs_{0};
};

class LinkThread : public QObject {
    Q_OBJECT
public:
    using Work = std::function<void(Link &link)>;
    // Runs a result on the window's thread, provided the window still exists then.
    using Reply = std::function<void(std::function<void()> result)>;

    explicit LinkThread(Link &link, QObject *parent = nullptr);
    // Cancels every task, lets the exchange in flight end, closes the port and ends the thread.
    ~LinkThread() override;
    LinkThread(const LinkThread &) = delete;
    LinkThread &operator=(const LinkThread &) = delete;

    // A new task, cancelled with every other one when the link thread ends.
    std::shared_ptr<LinkTask> newTask();

    // Queues `work` on the link thread after everything posted before it.
    void post(Work work);
    // A way back to `window` for the link thread; results for a window that has gone are dropped.
    Reply replyTo(QObject *window);

    enum class OpenOutcome {
        Opened,
        Failed, // the port would not open; its message has been shown
        Held,   // another of this program's windows holds the port; a message said which one
    };
    // Opens the stored port for `user`. `done` runs on `window`'s thread after the port's own
    // messages ("CreateFile Error!", ...) were shown. While another of this program's windows
    // holds the port, the open is refused at once.
    void open(PortUser user, QObject *window, std::function<void(OpenOutcome)> done);
    // The port's messages of a failed open, each its text and its detail (the device and why).
    using PortMessages = std::vector<std::pair<QString, QString>>;
    // The same open, for a caller that tells a failure in one message of its own: the port's
    // messages are handed to `done` instead of being shown. A refusal because another window
    // holds the port is still shown at once.
    void openTellingFailure(PortUser user, QObject *window, std::function<void(OpenOutcome, const PortMessages &)> done);
    // Gives the port back once the work queued before has ended. Ignored unless `user` holds it.
    void close(PortUser user);

    // The activity that holds (or is opening) the port, as the windows see it.
    PortUser holder() const { return holder_; }
    // Whether the port is open at this moment (it may lag behind holder() by one exchange).
    bool portOpen() const { return portOpen_.load(); }
    // Blocks until everything posted so far has run (tests, tools). Never call it while a poll
    // that has not been cancelled is queued.
    void drain();

    // The message for an open refused because `holder` has the port.
    static QString heldByMessage(PortUser holder);

private:
    Link &link_;
    QThread thread_;
    QObject *worker_ = nullptr; // lives on thread_
    PortUser holder_ = PortUser::None;
    quint64 openRequests_ = 0;  // opens asked for so far
    quint64 holderRequest_ = 0; // the open that made holder_ what it is
    std::atomic<bool> portOpen_{false};
    std::mutex tasksMutex_;
    std::vector<std::weak_ptr<LinkTask>> tasks_;
};
