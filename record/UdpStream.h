#pragma once
// --publish udp://HOST:PORT: every pass as one JSON message (the one --payload json publishes) in
// one datagram to HOST:PORT, for a tool listening there. Sent on the thread that reads the passes
// without ever waiting: a datagram the system cannot take at once (its buffer full) is dropped and
// counted, and so is one the receiver's host refused (no one listening). Nothing is kept for
// later: a datagram stream carries the present, the file and --publish mqtt:// keep the past.
// qmx-record's options and run do not take it yet: this is the stream they are to hand rows to.

#include "record/InfluxFormat.h"
#include "record/RecordRow.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <cstdint>
#include <optional>

namespace record {

struct UdpTarget {
    QString host; // a name, an IPv4 address or an IPv6 one (given in brackets)
    quint16 port = 0;
    QString shownUrl() const;
};

// Whether a --publish text asks for a datagram stream (udp://...) rather than a broker.
bool isUdpUrl(const QString &text);
// The target of a --publish udp:// text, or why it is none.
std::optional<UdpTarget> parseUdpUrl(const QString &text, QString *error);

// The longest message a pass can make with these value names: every value at its longest text,
// every optional key there.
qsizetype longestJsonPayload(const QStringList &valueNames);

class UdpStream {
public:
    explicit UdpStream(const UdpTarget &target);
    ~UdpStream();
    UdpStream(const UdpStream &) = delete;
    UdpStream &operator=(const UdpStream &) = delete;

    // Finds the host and opens the socket; false with the reason. `valueNames` are the run's:
    // a message they could make that no datagram holds is refused here, before the first pass.
    bool open(const QStringList &valueNames, QString *error);

    // The run's value names, before the first row (the series is InfluxDB's, not used here).
    void setLayout(const InfluxSeries &series, const QStringList &valueNames);
    // A row of the run, on the thread that reads the passes; `event` marks a trigger row.
    void take(const RecordRow &row, bool event);

    struct Figures {
        std::uint64_t sent = 0;
        std::uint64_t dropped = 0; // the system's buffer full, or the receiver's host refused them
    };
    Figures figures() const { return {sent_.load(), dropped_.load()}; }
    const UdpTarget &target() const { return target_; }

private:
    UdpTarget target_;
    int socket_ = -1;
    qsizetype largestDatagram_ = 0;
    QList<QByteArray> keys_;
    std::atomic<std::uint64_t> sent_{0};
    std::atomic<std::uint64_t> dropped_{0};
};

} // namespace record
