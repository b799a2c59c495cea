#pragma once
// --publish: every pass of a run as one MQTT message on the target's topic, QoS 1, through
// libmosquitto, on a thread of its own so that the broker never holds up a pass. Each message is
// appended to the target's spool on disk and sent from there in order; only the broker's
// acknowledgement takes it out. While the broker is away the messages wait there, up to the
// spool's bound (the oldest dropped past it), and go out in order once it is back; a run stopped
// with messages waiting leaves them for the next run on the same topic.
//
// "online", retained, on <topic>/status once connected; "offline", retained, as the will (a
// connection lost without a word) and at a clean stop.

#include "record/InfluxFormat.h"
#include "record/MqttTarget.h"
#include "record/RecordOptions.h"
#include "record/RecordRow.h"
#include "record/Spool.h"
#include "trend/model/TrendData.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

struct mosquitto;

namespace record {

enum class PayloadFormat { Influx, Json };

class MqttPublisher {
public:
    MqttPublisher(const MqttTarget &target, const MqttTls &tls, PayloadFormat payload);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher &) = delete;
    MqttPublisher &operator=(const MqttPublisher &) = delete;

    // The run's columns and influx series, before the first row.
    void setLayout(const InfluxSeries &series, const QStringList &columns);
    // Opens the spool in `spoolFolder` (the messages an earlier run left wait first) and starts the
    // thread that connects and sends. False with the reason when the spool cannot be used.
    bool start(const QString &spoolFolder, std::uint64_t spoolMax, QString *error);
    // A row of the run (on the thread that writes rows): formatted and appended to the spool.
    void take(const RecordRow &row, bool event);
    // Sends what waits for at most `drain` while the broker is there, says "offline", disconnects
    // and keeps what is left in the spool.
    void stop(std::chrono::milliseconds drain);

    struct Figures {
        bool connected = false;
        std::uint64_t sent = 0;    // acknowledged by the broker in this run
        std::uint64_t queued = 0;  // waiting in the spool (sent and not yet acknowledged included)
        std::uint64_t dropped = 0; // past the spool's bound, or refused by the disk
        QString problem;           // why the broker is away, when it is
    };
    Figures figures() const;
    const MqttTarget &target() const { return target_; }

    // A broker that is away is tried again after these, the wait doubling from the first.
    static constexpr std::chrono::milliseconds kFirstRetry{500};
    static constexpr std::chrono::milliseconds kLongestRetry{5000};

private:
    void run();
    void connect();
    void lose(const QString &problem);
    void sendWaiting();
    void acknowledged(int mid);
    void connectedAnswer(int code);
    void sayOffline();

    MqttTarget target_;
    MqttTls tls_;
    PayloadFormat payload_;
    InfluxSeries series_;
    QList<QByteArray> jsonKeys_;
    Spool spool_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::chrono::steady_clock::time_point drainUntil_{};
    // On the sending thread only.
    mosquitto *client_ = nullptr;
    bool connectedHere_ = false;
    std::chrono::steady_clock::time_point connectingSince_{}, nextAttempt_{};
    std::chrono::milliseconds retry_ = kFirstRetry;
    std::uint64_t next_ = 0;                 // the next message number to hand to the broker
    std::map<int, std::uint64_t> inFlight_;  // message id: message number
    std::set<std::uint64_t> inFlightNumbers_;
    int offlineMid_ = -1;
    bool offlineAcknowledged_ = false;
    // Read from other threads.
    std::atomic<bool> connected_{false};
    std::atomic<std::uint64_t> sent_{0};
    mutable std::mutex problemMutex_;
    QString problem_;
};

// A started publisher for each --publish of `options`, each with its spool bounded to the passes of
// --spool-max at the pace of the run on `channels` (the plan's wire limit and the pause); none,
// with `error`, when a spool cannot be used.
std::vector<std::unique_ptr<MqttPublisher>> startPublishers(const RecordOptions &options, const TrendData &channels,
                                                            QString *error);

// "mqtt connected, queued 0, dropped 0" for the status line.
QString publishStatusText(const MqttPublisher::Figures &figures);
// "mqtt://host:1883/topic: sent 120, queued 0, dropped 0" for the summary.
QString publishSummaryText(const MqttTarget &target, const MqttPublisher::Figures &figures);

} // namespace record
