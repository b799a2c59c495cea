#include "record/MqttPublisher.h"

#include "record/JsonFormat.h"
#include "record/RecordTexts.h"
#include "trend/model/TrendPoll.h"

#include <mosquitto.h>

#include <cerrno>
#include <cstring>

namespace record {

namespace {

using Clock = std::chrono::steady_clock;

// Messages handed to the broker and not yet acknowledged, at most.
constexpr std::size_t kWindow = 20;
// How long one turn of the network loop waits for the socket: a new pass goes out within it.
constexpr int kLoopWaitMs = 20;
constexpr int kKeepAliveSeconds = 15;
// A connection that is not up within this is given up and tried again.
constexpr std::chrono::seconds kConnectTimeout{10};
constexpr std::chrono::seconds kOfflineWait{1};
const QByteArray kOnline = "online";
const QByteArray kOffline = "offline";

std::once_flag libraryStarted;

QString mosquittoText(int code)
{
    if (code == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QString::fromUtf8(mosquitto_strerror(code));
}

} // namespace

MqttPublisher::MqttPublisher(const MqttTarget &target, const MqttTls &tls, PayloadFormat payload)
    : target_(target), tls_(tls), payload_(payload)
{
    std::call_once(libraryStarted, [] { mosquitto_lib_init(); });
}

MqttPublisher::~MqttPublisher() { stop(std::chrono::milliseconds(0)); }

void MqttPublisher::setLayout(const InfluxSeries &series, const QStringList &columns)
{
    series_ = series;
    jsonKeys_ = jsonKeys(columns);
}

bool MqttPublisher::start(const QString &spoolFolder, std::uint64_t spoolMax, QString *error)
{
    if (!spool_.open(spoolFolder, spoolMax, error))
        return false;
    next_ = spool_.first();
    thread_ = std::thread([this] { run(); });
    return true;
}

void MqttPublisher::take(const RecordRow &row, bool event)
{
    spool_.append(payload_ == PayloadFormat::Json ? jsonPayload(jsonKeys_, row, event) : influxLine(series_, row, event));
}

void MqttPublisher::stop(std::chrono::milliseconds drain)
{
    if (!thread_.joinable())
        return;
    drainUntil_ = Clock::now() + drain;
    stopping_ = true;
    thread_.join();
    spool_.savePosition();
}

void MqttPublisher::run()
{
    for (;;) {
        const auto now = Clock::now();
        if (stopping_) {
            // A stop sends what waits while the broker is there, for as long as it was given.
            const bool delivered = spool_.queued() == 0;
            if (!connectedHere_ || delivered || now >= drainUntil_)
                break;
        }
        if (!client_) {
            if (now < nextAttempt_) {
                std::this_thread::sleep_for(std::min<Clock::duration>(nextAttempt_ - now, std::chrono::milliseconds(kLoopWaitMs)));
                continue;
            }
            connect();
            continue;
        }
        const int code = mosquitto_loop(client_, kLoopWaitMs, 1);
        if (code != MOSQ_ERR_SUCCESS) {
            lose(mosquittoText(code));
            continue;
        }
        if (!connectedHere_ && now - connectingSince_ > kConnectTimeout) {
            lose(kBrokerNoAnswer);
            continue;
        }
        if (connectedHere_)
            sendWaiting();
    }
    if (client_ && connectedHere_)
        sayOffline();
    if (client_) {
        mosquitto_destroy(client_);
        client_ = nullptr;
    }
    connected_ = false;
}

void MqttPublisher::connect()
{
    client_ = mosquitto_new(nullptr, true, this);
    if (!client_) {
        lose(mosquittoText(MOSQ_ERR_NOMEM));
        return;
    }
    mosquitto_connect_callback_set(client_, [](mosquitto *, void *self, int code) {
        static_cast<MqttPublisher *>(self)->connectedAnswer(code);
    });
    mosquitto_publish_callback_set(client_, [](mosquitto *, void *self, int mid) {
        static_cast<MqttPublisher *>(self)->acknowledged(mid);
    });
    // Messages go out as they are published, not gathered behind an unacknowledged one (Nagle's
    // wait for the broker's delayed acknowledgement held a window of messages to a few hundred a
    // second).
    mosquitto_int_option(client_, MOSQ_OPT_TCP_NODELAY, 1);
    const QByteArray statusTopic = target_.statusTopic().toUtf8();
    mosquitto_will_set(client_, statusTopic.constData(), static_cast<int>(kOffline.size()), kOffline.constData(), 1, true);
    if (!target_.user.isEmpty())
        mosquitto_username_pw_set(client_, target_.user.toUtf8().constData(),
                                  target_.password.isEmpty() ? nullptr : target_.password.toUtf8().constData());
    if (tls_.used()) {
        const QByteArray ca = tls_.caFile.toLocal8Bit(), cert = tls_.certFile.toLocal8Bit(), key = tls_.keyFile.toLocal8Bit();
        const int code = mosquitto_tls_set(client_, ca.isEmpty() ? nullptr : ca.constData(), nullptr,
                                           cert.isEmpty() ? nullptr : cert.constData(),
                                           key.isEmpty() ? nullptr : key.constData(), nullptr);
        if (code != MOSQ_ERR_SUCCESS) {
            lose(kTlsRefused.arg(mosquittoText(code)));
            return;
        }
    }
    connectingSince_ = Clock::now();
    const int code =
        mosquitto_connect_async(client_, target_.host.toUtf8().constData(), target_.port, kKeepAliveSeconds);
    if (code != MOSQ_ERR_SUCCESS)
        lose(mosquittoText(code));
}

void MqttPublisher::connectedAnswer(int code)
{
    if (code != 0) {
        std::lock_guard lock(problemMutex_);
        problem_ = QString::fromUtf8(mosquitto_connack_string(code));
        return; // the broker closes the connection; the loop sees it go
    }
    connectedHere_ = true;
    connected_ = true;
    retry_ = kFirstRetry;
    {
        std::lock_guard lock(problemMutex_);
        problem_.clear();
    }
    const QByteArray statusTopic = target_.statusTopic().toUtf8();
    mosquitto_publish(client_, nullptr, statusTopic.constData(), static_cast<int>(kOnline.size()), kOnline.constData(), 1,
                      true);
    // Whatever this connection's predecessor had handed over and not seen acknowledged goes again.
    next_ = spool_.first();
}

void MqttPublisher::lose(const QString &problem)
{
    {
        std::lock_guard lock(problemMutex_);
        problem_ = problem;
    }
    // The client goes with its queue: the spool is what is sent again, from its oldest message.
    if (client_)
        mosquitto_destroy(client_);
    client_ = nullptr;
    connectedHere_ = false;
    connected_ = false;
    inFlight_.clear();
    inFlightNumbers_.clear();
    next_ = spool_.first();
    nextAttempt_ = Clock::now() + retry_;
    retry_ = std::min(retry_ * 2, kLongestRetry);
}

void MqttPublisher::sendWaiting()
{
    next_ = std::max(next_, spool_.first());
    if (inFlight_.size() >= kWindow)
        return;
    const QByteArray topic = target_.topic.toUtf8();
    for (const Spool::Message &message : spool_.read(next_, kWindow - inFlight_.size())) {
        int mid = 0;
        const int code = mosquitto_publish(client_, &mid, topic.constData(), static_cast<int>(message.text.size()),
                                           message.text.constData(), 1, false);
        if (code != MOSQ_ERR_SUCCESS)
            return; // the loop sees the connection go and sends these again
        inFlight_[mid] = message.number;
        inFlightNumbers_.insert(message.number);
        next_ = message.number + 1;
    }
}

void MqttPublisher::acknowledged(int mid)
{
    if (mid == offlineMid_) {
        offlineAcknowledged_ = true;
        return;
    }
    const auto found = inFlight_.find(mid);
    if (found == inFlight_.end())
        return; // "online"
    inFlightNumbers_.erase(found->second);
    inFlight_.erase(found);
    ++sent_;
    // Everything before the oldest still in flight is delivered.
    spool_.acknowledge(inFlightNumbers_.empty() ? next_ : *inFlightNumbers_.begin());
}

void MqttPublisher::sayOffline()
{
    const QByteArray statusTopic = target_.statusTopic().toUtf8();
    if (mosquitto_publish(client_, &offlineMid_, statusTopic.constData(), static_cast<int>(kOffline.size()),
                          kOffline.constData(), 1, true) == MOSQ_ERR_SUCCESS) {
        const auto until = Clock::now() + kOfflineWait;
        while (!offlineAcknowledged_ && Clock::now() < until && mosquitto_loop(client_, kLoopWaitMs, 1) == MOSQ_ERR_SUCCESS) {
        }
    }
    // A disconnect with a word: the broker does not send the will.
    mosquitto_disconnect(client_);
    mosquitto_loop(client_, kLoopWaitMs, 1);
}

MqttPublisher::Figures MqttPublisher::figures() const
{
    Figures figures;
    figures.connected = connected_;
    figures.sent = sent_;
    figures.queued = spool_.queued();
    figures.dropped = spool_.dropped();
    std::lock_guard lock(problemMutex_);
    figures.problem = connected_ ? QString() : problem_;
    if (const QString diskError = spool_.writeError(); !diskError.isEmpty())
        figures.problem = diskError;
    return figures;
}

std::vector<std::unique_ptr<MqttPublisher>> startPublishers(const RecordOptions &options, const TrendData &channels,
                                                            QString *error)
{
    std::vector<std::unique_ptr<MqttPublisher>> publishers;
    if (options.publish.isEmpty())
        return publishers;
    // The spool holds passes of the run's own pace at the most: the plan's wire limit and the pause.
    const double wireLimit =
        trendpoll::makePollPlan(channels.selectedChannels, channels.channelAddress, options.readMode).reads.passLimit();
    const double secondsPerPass = (wireLimit > 0 ? 1.0 / wireLimit : 0.0) + options.waitTimeMs / 1000.0;
    for (const MqttTarget &target : options.publish) {
        auto publisher = std::make_unique<MqttPublisher>(target, options.tls,
                                                         options.jsonPayload ? PayloadFormat::Json : PayloadFormat::Influx);
        if (!publisher->start(spoolFolderFor(target), options.spoolMax(secondsPerPass), error))
            return {};
        publishers.push_back(std::move(publisher));
    }
    return publishers;
}

QString publishStatusText(const MqttPublisher::Figures &figures)
{
    const QString state = figures.connected           ? kBrokerConnected
                          : figures.problem.isEmpty() ? kBrokerAway
                                                      : kBrokerAwayBecause.arg(figures.problem);
    return kPublishStatus.arg(state).arg(figures.queued).arg(figures.dropped);
}

QString publishSummaryText(const MqttTarget &target, const MqttPublisher::Figures &figures)
{
    QString text = kPublishSummary.arg(target.shownUrl()).arg(figures.sent).arg(figures.queued).arg(figures.dropped);
    if (figures.queued > 0)
        text += kPublishLeftWaiting;
    if (!figures.problem.isEmpty())
        text += kPublishLastProblem.arg(figures.problem);
    return text;
}

} // namespace record
