#pragma once
// "No reply since": the one rule by which the program says that the controller is not answering.
// It is said from the first result of a poll whose last request got no reply (a time-out or a
// device gone), or when no result has come for longer than one can take (a reply stalled on the
// line), and taken back at the first result whose last request got a reply. "Since" is when the
// controller last answered.

#include "link/LineKeeper.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <chrono>

class NoReplyWatch : public QObject {
    Q_OBJECT
public:
    explicit NoReplyWatch(QObject *parent = nullptr);

    // A poll begins: the controller counts as answering from now, and its first result is due
    // within `resultDue`.
    void begin(std::chrono::milliseconds resultDue);
    // The longest a result may take from now on, e.g. after the pause between passes changed.
    void setResultDue(std::chrono::milliseconds resultDue) { resultDue_ = resultDue; }
    // A result of the poll, with the reply state the link thread had after it.
    void take(const ReplyState &state);
    // The poll has ended: a "no reply" said is taken back.
    void end();
    bool silent() const { return silent_; }

signals:
    void noReply(const QDateTime &since);
    void replyAgain();

private:
    void checkResultDue();
    void sayNoReply();

    QTimer *resultWatch_ = nullptr;
    std::chrono::milliseconds resultDue_{0};
    std::chrono::steady_clock::time_point pollBegan_{};
    std::chrono::steady_clock::time_point lastAnswer_{};
    std::chrono::steady_clock::time_point lastResult_{};
    bool watching_ = false;
    bool silent_ = false;
};
