#pragma once
// Messages waiting for a broker, on disk: every message of a run is appended here first and sent
// from here, so that passes recorded while the broker is away (not started, restarting, the
// network gone) wait in order, and a recorder stopped with messages waiting sends them at its next
// start on the same topic. The folder holds segment files named by the number of their first
// message (one message a line) and the number of the oldest message not yet delivered; memory
// holds neither.
//
// The spool keeps at most `maxMessages`: past it the oldest are dropped and counted. A spool is one
// recorder's at a time (a lock on the folder).
//
// Segments hold at most a quarter of what the disk may hold of the spool (its room and the spool's
// own files, a file-size limit), so that delivered segments leave room as they go. A disk that
// refuses a message (full, or a file-size limit) closes the segment it refused, which goes as soon
// as the broker has taken its messages, and the message tries a new segment; only a message that
// the new one refuses too is dropped and counted. The position is written over the old one in
// place when the disk takes no new file, so a full disk never makes delivered messages go again.
//
// Messages are appended on one thread and read and acknowledged on another.

#include <QByteArray>
#include <QString>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace record {

class Spool {
public:
    Spool() = default;
    ~Spool();
    Spool(const Spool &) = delete;
    Spool &operator=(const Spool &) = delete;

    // Creates or takes up the spool in `folder`: the messages an earlier run left are waiting again.
    // False with the reason when the folder cannot be made or another recorder holds it.
    bool open(const QString &folder, std::uint64_t maxMessages, QString *error);

    // A message without a line end in it. One that the disk refuses is dropped and counted.
    void append(const QByteArray &message);

    struct Message {
        std::uint64_t number = 0;
        QByteArray text;
    };
    // Up to `count` waiting messages from number `from` on (from the oldest waiting when `from` is
    // older), in order.
    std::vector<Message> read(std::uint64_t from, std::size_t count);
    // Every message before number `before` is delivered; whole segments of them are removed.
    void acknowledge(std::uint64_t before);
    // Keeps the number of the oldest waiting message, for the next run.
    void savePosition();

    std::uint64_t first() const; // the oldest waiting message's number
    std::uint64_t end() const;   // one past the newest's
    std::uint64_t queued() const { return end() - first(); }
    // Dropped in this run: past the bound, or refused by the disk.
    std::uint64_t dropped() const;
    // The disk's last refusal, or nothing.
    QString writeError() const;
    QString folder() const { return folder_; }

private:
    QString segmentPath(std::uint64_t start) const;
    QString positionPath() const;
    bool recover(QString *error);
    // Appends `line` to the newest segment, starting one when there is none or it is full; the
    // system's error number and the `segment` when the disk does not take it whole.
    int writeLine(const QByteArray &line, QString *segment);
    // No more messages go to the newest segment: it goes once its messages are delivered.
    void closeNewest();
    // Segments of at most a quarter of what the disk may hold of the spool (and of `fileTook`, the
    // bytes of a file the disk let grow no further, when not 0).
    void fitSegmentsToDisk(std::uint64_t fileTook);
    void dropPastBound();
    void removeDeliveredSegments();
    void savePositionLocked();

    QString folder_;
    std::uint64_t maxMessages_ = 0;
    std::uint64_t segmentMessages_ = 1024;
    std::uint64_t segmentBytes_ = ~std::uint64_t{0};
    mutable std::mutex mutex_;
    std::deque<std::uint64_t> segments_; // first message number of each segment, oldest first
    std::uint64_t first_ = 0, end_ = 0, dropped_ = 0;
    std::uint64_t savedFirst_ = ~std::uint64_t{0};
    std::chrono::steady_clock::time_point lastSave_{};
    int lockFd_ = -1;
    int appendFd_ = -1; // the newest segment, unless it is closed
    std::uint64_t appendCount_ = 0, appendBytes_ = 0;
    // Where reading stopped, so the next read goes on from there without counting lines again.
    struct ReadCursor {
        std::uint64_t segment = ~std::uint64_t{0};
        std::uint64_t number = 0;
        qint64 offset = 0;
    } cursor_;
    QString writeError_;
};

// The state folder of the user's programs: $XDG_STATE_HOME, else ~/.local/state.
QString userStateFolder();

} // namespace record
