#pragma once
// Real MQTT parts for the recorder's tests: Mosquitto (/usr/sbin/mosquitto) on a free loopback
// port with a configuration of the test's own, a subscriber through libmosquitto that keeps every
// message it gets, and a gate in front of the broker: a loopback port that passes connections on
// to the broker while it is open and refuses them while it is shut, so that a test decides when
// the recorder may reach a broker that has just started (after the test's own subscriber).

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <mosquitto.h>
#include <mutex>

inline quint16 freeLoopbackPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

inline const QString kMosquitto = QStringLiteral("/usr/sbin/mosquitto");

class TestBroker {
public:
    // `moreConfiguration` adds to the plain listener's configuration (another listener, TLS).
    explicit TestBroker(const QString &folder, const QString &moreConfiguration = QString())
        : folder_(folder), port_(freeLoopbackPort()), more_(moreConfiguration)
    {
    }
    ~TestBroker() { stop(); }

    quint16 port() const { return port_; }
    // Starts the broker and waits until it takes connections.
    bool start()
    {
        const QString config = folder_ + QStringLiteral("/mosquitto.conf");
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n").arg(port_).toUtf8() +
                   more_.toUtf8());
        file.close();
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(kMosquitto, {QStringLiteral("-c"), config});
        if (!process_.waitForStarted(5000))
            return false;
        for (int attempt = 0; attempt < 100; ++attempt) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port_);
            if (probe.waitForConnected(100))
                return true;
            if (process_.state() != QProcess::Running)
                return false;
            QTest::qWait(50);
        }
        return false;
    }
    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    QByteArray log() { return process_.readAll(); }

private:
    QString folder_;
    quint16 port_;
    QString more_;
    QProcess process_;
};

class TestSubscriber {
public:
    TestSubscriber() { mosquitto_lib_init(); }
    ~TestSubscriber() { end(); }

    // Connects to the broker on `port`, subscribes to `topics` with QoS 1 and waits for the
    // broker's answer.
    bool start(quint16 port, const QStringList &topics)
    {
        client_ = mosquitto_new(nullptr, true, this);
        if (!client_)
            return false;
        mosquitto_message_callback_set(client_, [](mosquitto *, void *self, const mosquitto_message *message) {
            auto *subscriber = static_cast<TestSubscriber *>(self);
            std::lock_guard lock(subscriber->mutex_);
            subscriber->messages_.append(
                {QString::fromUtf8(message->topic),
                 QByteArray(static_cast<const char *>(message->payload), message->payloadlen)});
        });
        mosquitto_subscribe_callback_set(client_, [](mosquitto *, void *self, int, int, const int *) {
            ++static_cast<TestSubscriber *>(self)->subscribed_;
        });
        if (mosquitto_connect(client_, "127.0.0.1", port, 30) != MOSQ_ERR_SUCCESS || mosquitto_loop_start(client_) != MOSQ_ERR_SUCCESS)
            return false;
        for (const QString &topic : topics) {
            if (mosquitto_subscribe(client_, nullptr, topic.toUtf8().constData(), 1) != MOSQ_ERR_SUCCESS)
                return false;
        }
        for (int waited = 0; waited < 5000 && subscribed_ < topics.size(); waited += 10)
            QTest::qWait(10);
        return subscribed_ == topics.size();
    }
    void end()
    {
        if (!client_)
            return;
        mosquitto_disconnect(client_);
        mosquitto_loop_stop(client_, true);
        mosquitto_destroy(client_);
        client_ = nullptr;
    }
    // The payloads got on `topic`, in the order they came.
    QByteArrayList payloads(const QString &topic) const
    {
        std::lock_guard lock(mutex_);
        QByteArrayList out;
        for (const auto &[t, payload] : messages_) {
            if (t == topic)
                out.append(payload);
        }
        return out;
    }

private:
    mosquitto *client_ = nullptr;
    mutable std::mutex mutex_;
    QList<QPair<QString, QByteArray>> messages_;
    std::atomic<int> subscribed_{0};
};

class BrokerGate : public QObject {
public:
    explicit BrokerGate(quint16 brokerPort) : brokerPort_(brokerPort)
    {
        connect(&server_, &QTcpServer::newConnection, this, &BrokerGate::passOn);
    }
    quint16 port() const { return port_; }
    bool open()
    {
        if (!server_.listen(QHostAddress::LocalHost, port_))
            return false;
        port_ = server_.serverPort();
        return true;
    }
    // No new connection, and those passed on are cut.
    void shut()
    {
        server_.close();
        for (const QPointer<QTcpSocket> &socket : std::as_const(sockets_)) {
            if (socket)
                socket->abort();
        }
        sockets_.clear();
    }

private:
    void passOn()
    {
        while (QTcpSocket *client = server_.nextPendingConnection()) {
            auto *broker = new QTcpSocket(this);
            client->setParent(this);
            sockets_ << client << broker;
            connect(client, &QTcpSocket::readyRead, broker, [client, broker] { broker->write(client->readAll()); });
            connect(broker, &QTcpSocket::readyRead, client, [client, broker] { client->write(broker->readAll()); });
            connect(broker, &QTcpSocket::connected, client, [client, broker] { broker->write(client->readAll()); });
            // A side that closes has its last bytes passed on before the other side closes too (a
            // DISCONNECT cut off would make the broker send the will).
            connect(broker, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
            connect(broker, &QTcpSocket::errorOccurred, client, &QTcpSocket::disconnectFromHost);
            connect(client, &QTcpSocket::disconnected, broker, &QTcpSocket::disconnectFromHost);
            broker->connectToHost(QHostAddress::LocalHost, brokerPort_);
        }
    }

    quint16 brokerPort_;
    quint16 port_ = 0;
    QTcpServer server_;
    QList<QPointer<QTcpSocket>> sockets_;
};
