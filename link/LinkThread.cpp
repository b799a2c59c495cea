#include "link/LinkThread.h"

#include "link/LinkTexts.h"

#include <QMetaObject>
#include <future>

// ---------------------------------------------------------------------------------------------
// LinkTask

void LinkTask::cancel()
{
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    changed_.notify_all();
}

bool LinkTask::cancelled() const
{
    std::lock_guard lock(mutex_);
    return cancelled_;
}

bool LinkTask::sleepFor(std::chrono::milliseconds duration)
{
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, duration, [this] { return cancelled_; });
    return !cancelled_;
}

bool LinkTask::waitForRoom(int limit)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return cancelled_ || untaken_ < limit; });
    return !cancelled_;
}

void LinkTask::handedOver()
{
    std::lock_guard lock(mutex_);
    ++untaken_;
}

void LinkTask::taken()
{
    {
        std::lock_guard lock(mutex_);
        if (untaken_ > 0)
            --untaken_;
    }
    changed_.notify_all();
}

// ---------------------------------------------------------------------------------------------
// LinkThread

LinkThread::LinkThread(Link &link, QObject *parent) : QObject(parent), link_(link)
{
    thread_.setObjectName(QStringLiteral("link"));
    worker_ = new QObject;
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
}

LinkThread::~LinkThread()
{
    {
        std::lock_guard lock(tasksMutex_);
        for (const std::weak_ptr<LinkTask> &weak : tasks_) {
            if (const std::shared_ptr<LinkTask> task = weak.lock())
                task->cancel();
        }
    }
    // Everything queued still runs (cancelled polls return at once), then the port is given back.
    post([this](Link &link) {
        link.close(PortUser::None);
        portOpen_.store(false);
        thread_.quit();
    });
    thread_.wait();
}

std::shared_ptr<LinkTask> LinkThread::newTask()
{
    auto task = std::make_shared<LinkTask>();
    std::lock_guard lock(tasksMutex_);
    std::erase_if(tasks_, [](const std::weak_ptr<LinkTask> &weak) { return weak.expired(); });
    tasks_.push_back(task);
    return task;
}

void LinkThread::post(Work work)
{
    QMetaObject::invokeMethod(worker_, [this, work = std::move(work)] { work(link_); }, Qt::QueuedConnection);
}

LinkThread::Reply LinkThread::replyTo(QObject *window)
{
    // The guard is made here, on the window's thread, and only looked at there.
    return [this, guard = QPointer<QObject>(window)](std::function<void()> result) {
        QMetaObject::invokeMethod(
            this,
            [guard, result = std::move(result)] {
                if (guard)
                    result();
            },
            Qt::QueuedConnection);
    };
}

void LinkThread::open(PortUser user, QObject *window, std::function<void(OpenOutcome)> done)
{
    openTellingFailure(user, window, [this, done = std::move(done)](OpenOutcome outcome, const PortMessages &messages) {
        if (const Link::MessageFunction show = link_.messageFunction()) {
            for (const auto &[text, detail] : messages)
                show(text, detail);
        }
        done(outcome);
    });
}

void LinkThread::openTellingFailure(PortUser user, QObject *window,
                                    std::function<void(OpenOutcome, const PortMessages &)> done)
{
    if (holder_ != PortUser::None && holder_ != user) {
        if (const Link::MessageFunction show = link_.messageFunction())
            show(heldByMessage(holder_), QString());
        done(OpenOutcome::Held, {});
        return;
    }
    holder_ = user;
    const quint64 request = ++openRequests_;
    holderRequest_ = request;
    const Reply reply = replyTo(window);
    post([this, user, request, reply, done = std::move(done)](Link &link) {
        // The port's messages go to the window's thread, before the window hears the result.
        PortMessages messages;
        const bool opened =
            link.openReporting(user, [&messages](const QString &text, const QString &detail) {
                messages.emplace_back(text, detail);
            }) == 0;
        portOpen_.store(link.isOpen());
        reply([this, user, request, opened, messages, done] {
            // Only this open's failure frees the holder: a newer open of the same user keeps it.
            if (!opened && holder_ == user && holderRequest_ == request)
                holder_ = PortUser::None;
            done(opened ? OpenOutcome::Opened : OpenOutcome::Failed, messages);
        });
    });
}

void LinkThread::close(PortUser user)
{
    if (holder_ != user && user != PortUser::None)
        return;
    holder_ = PortUser::None;
    post([this, user](Link &link) {
        link.close(user);
        portOpen_.store(link.isOpen());
    });
}

void LinkThread::drain()
{
    std::promise<void> ran;
    std::future<void> done = ran.get_future();
    post([&ran](Link &) { ran.set_value(); });
    done.wait();
}

QString LinkThread::heldByMessage(PortUser holder)
{
    switch (holder) {
    case PortUser::Monitor:
        return kMonitorHoldsPort;
    case PortUser::TrendRun:
        return kTrendHoldsPort;
    case PortUser::DataRead:
        return kDataReadHoldsPort;
    case PortUser::None:
    case PortUser::Tool:
        break;
    }
    return kToolHoldsPort;
}
