// The datagram stream of a run (udp://HOST:PORT): the target's forms, a real receiver on loopback taking every message
// of a run in order and equal to the JSON a broker gets, a receiver that is not there costing no
// pass, and a message too large for any datagram refused before the first pass.

#include "record/JsonFormat.h"
#include "record/RecordTexts.h"
#include "record/UdpStream.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTest>
#include <QTimeZone>
#include <QUdpSocket>

class TestRecordStream : public QObject {
    Q_OBJECT
private slots:
    void targetForms_data();
    void targetForms();
    void receiverTakesEveryPass_data();
    void receiverTakesEveryPass();
    void noReceiverCostsNoPass();
    void messageTooLargeRefused();
};

void TestRecordStream::targetForms_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host"); // empty: refused
    QTest::addColumn<int>("port");
    QTest::newRow("name") << "udp://plotter.local:9870" << "plotter.local" << 9870;
    QTest::newRow("IPv4") << "udp://127.0.0.1:1" << "127.0.0.1" << 1;
    QTest::newRow("IPv6") << "udp://[::1]:65535" << "::1" << 65535;
    QTest::newRow("scheme's case") << "UDP://host:5" << "host" << 5;
    QTest::newRow("slash at the end") << "udp://host:5/" << "host" << 5;
    QTest::newRow("no port") << "udp://host" << "" << 0;
    QTest::newRow("port 0") << "udp://host:0" << "" << 0;
    QTest::newRow("port too large") << "udp://host:65536" << "" << 0;
    QTest::newRow("no host") << "udp://:5" << "" << 0;
    QTest::newRow("a path") << "udp://host:5/topic" << "" << 0;
    QTest::newRow("a user") << "udp://me@host:5" << "" << 0;
    QTest::newRow("a query") << "udp://host:5?x" << "" << 0;
    QTest::newRow("IPv6 without brackets") << "udp://::1:5" << "" << 0;
}

void TestRecordStream::targetForms()
{
    QFETCH(QString, text);
    QFETCH(QString, host);
    QFETCH(int, port);
    QVERIFY(record::isUdpUrl(text));
    QString error;
    const std::optional<record::UdpTarget> target = record::parseUdpUrl(text, &error);
    if (host.isEmpty()) {
        QVERIFY(!target);
        QCOMPARE(error, record::kUdpForm.arg(text));
        return;
    }
    QVERIFY2(target, qPrintable(error));
    QCOMPARE(target->host, host);
    QCOMPARE(int(target->port), port);
    QCOMPARE(record::parseUdpUrl(target->shownUrl(), &error)->host, host);
}

void TestRecordStream::receiverTakesEveryPass_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("IPv4") << "127.0.0.1";
    QTest::newRow("IPv6") << "::1";
}

void TestRecordStream::receiverTakesEveryPass()
{
    QFETCH(QString, address);
    QUdpSocket receiver;
    if (!receiver.bind(QHostAddress(address), 0))
        QSKIP(qPrintable(QStringLiteral("no %1 loopback here: %2").arg(address, receiver.errorString())));
    receiver.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 1 << 20);
    const QString url = QStringLiteral("udp://%1:%2")
                            .arg(address.contains(u':') ? u'[' + address + u']' : address)
                            .arg(receiver.localPort());
    QString error;
    record::UdpStream stream(*record::parseUdpUrl(url, &error));
    const QStringList names{"SpdFbk", "InvFlag.07", "slip [rpm]"};
    QVERIFY2(stream.open(names, &error), qPrintable(error));
    stream.setLayout({}, names);

    constexpr int kPasses = 200;
    QByteArrayList expected;
    record::RecordRow row;
    for (int pass = 1; pass <= kPasses; ++pass) {
        row.pass = static_cast<std::uint64_t>(pass);
        row.epochNanoseconds = Q_INT64_C(1796738400000000000) + pass * Q_INT64_C(190123456);
        row.time = QDateTime::fromMSecsSinceEpoch(row.epochNanoseconds / 1000000, QTimeZone::utc());
        row.values = {record::ChannelValue(std::int64_t{pass - 100}),
                      pass % 7 ? std::optional<record::ChannelValue>(std::int64_t{pass % 2}) : std::nullopt,
                      record::ChannelValue(pass * 0.25)};
        stream.take(row, pass == 50);
        expected.append(record::jsonPayload(record::jsonKeys(names), row, pass == 50));
    }
    QByteArrayList received;
    QElapsedTimer waited;
    waited.start();
    while (received.size() < kPasses && waited.elapsed() < 10000) {
        if (!receiver.hasPendingDatagrams() && !receiver.waitForReadyRead(500))
            continue;
        while (receiver.hasPendingDatagrams())
            received.append(receiver.receiveDatagram().data());
    }
    QCOMPARE(received, expected);
    QCOMPARE(stream.figures().sent, std::uint64_t{kPasses});
    QCOMPARE(stream.figures().dropped, std::uint64_t{0});
}

// A receiver that is not listening (its host answers "port unreachable"): every pass still goes
// by at once, the refusals counted as dropped, none as sent twice.
void TestRecordStream::noReceiverCostsNoPass()
{
    QUdpSocket placeholder;
    QVERIFY(placeholder.bind(QHostAddress::LocalHost, 0));
    const quint16 port = placeholder.localPort();
    placeholder.close();
    QString error;
    record::UdpStream stream(*record::parseUdpUrl(QStringLiteral("udp://127.0.0.1:%1").arg(port), &error));
    QVERIFY2(stream.open({"x"}, &error), qPrintable(error));
    stream.setLayout({}, {"x"});
    record::RecordRow row;
    row.time = QDateTime::currentDateTimeUtc();
    row.values = {record::ChannelValue(std::int64_t{1})};
    QElapsedTimer took;
    took.start();
    constexpr int kPasses = 50;
    for (int pass = 1; pass <= kPasses; ++pass) {
        row.pass = static_cast<std::uint64_t>(pass);
        stream.take(row, false);
        QTest::qWait(2); // the host's refusal of one comes back before the next
    }
    QVERIFY2(took.elapsed() < 5000, "sends waited");
    const record::UdpStream::Figures figures = stream.figures();
    QCOMPARE(figures.sent + figures.dropped, std::uint64_t{kPasses});
    QVERIFY(figures.dropped > 0);
}

void TestRecordStream::messageTooLargeRefused()
{
    // 14 names of 5,000 characters: 70 kB of keys alone.
    QStringList longNames;
    for (int c = 0; c < 14; ++c)
        longNames.append(QString(5000, QChar(u'a' + c)));
    const qsizetype longest = record::longestJsonPayload(longNames);
    QVERIFY(longest > 65527);
    QString error;
    record::UdpStream stream(*record::parseUdpUrl(QStringLiteral("udp://127.0.0.1:9"), &error));
    QVERIFY(!stream.open(longNames, &error));
    QCOMPARE(error, record::kUdpTooLarge.arg("udp://127.0.0.1:9").arg(longest).arg(65507));

    // The bound is the longest message: no row of these names makes a longer one.
    const QStringList names{"SpdFbk", "a\"b"};
    record::RecordRow row;
    row.time = QDateTime(QDate(2026, 12, 8), QTime(13, 0), QTimeZone::utc());
    row.epochNanoseconds = -1;
    row.pass = ~std::uint64_t{0};
    row.run = Q_INT64_C(-9000000000000000000);
    row.values = {record::ChannelValue(std::numeric_limits<std::int64_t>::min()),
                  record::ChannelValue(-1.2345678901234567e-300)};
    QVERIFY(record::jsonPayload(record::jsonKeys(names), row, true).size() <= record::longestJsonPayload(names));
    QVERIFY(stream.open(names, &error));
}

QTEST_GUILESS_MAIN(TestRecordStream)
#include "test_record_stream.moc"
