#include "link/NoReplyWatch.h"

#include <algorithm>
#include <utility>

NoReplyWatch::NoReplyWatch(QObject *parent) : QObject(parent)
{
    resultWatch_ = new QTimer(this);
    resultWatch_->setSingleShot(true);
    connect(resultWatch_, &QTimer::timeout, this, &NoReplyWatch::checkResultDue);
}

void NoReplyWatch::begin(std::chrono::milliseconds resultDue)
{
    end();
    watching_ = true;
    resultDue_ = resultDue;
    pollBegan_ = lastAnswer_ = lastResult_ = std::chrono::steady_clock::now();
    resultWatch_->start(resultDue_);
}

void NoReplyWatch::take(const ReplyState &state)
{
    if (!watching_)
        return;
    // The watch is not started anew for every result (dozens a second): when it fires, it looks
    // at when the last one came.
    lastResult_ = std::chrono::steady_clock::now();
    // An answer before this poll began (to an earlier one) does not count.
    lastAnswer_ = std::max(pollBegan_, state.lastAnswer);
    if (state.answering) {
        if (std::exchange(silent_, false))
            emit replyAgain();
        return;
    }
    sayNoReply();
}

void NoReplyWatch::end()
{
    watching_ = false;
    resultWatch_->stop();
    if (std::exchange(silent_, false))
        emit replyAgain();
}

void NoReplyWatch::checkResultDue()
{
    if (!watching_)
        return;
    const auto sinceResult = std::chrono::steady_clock::now() - lastResult_;
    if (sinceResult < resultDue_) {
        resultWatch_->start(std::chrono::ceil<std::chrono::milliseconds>(resultDue_ - sinceResult));
        return;
    }
    sayNoReply();
    resultWatch_->start(resultDue_);
}

void NoReplyWatch::sayNoReply()
{
    if (!watching_ || std::exchange(silent_, true))
        return;
    const auto ago = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - lastAnswer_);
    emit noReply(QDateTime::currentDateTime().addMSecs(-ago.count()));
}
