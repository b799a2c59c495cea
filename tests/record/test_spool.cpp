// The spool of --publish on its own: messages read back in order across segments and across a
// new start, a message cut by a crash gone while the whole ones stay, the bound dropping the
// oldest, and a spool held by one recorder refused to another.

#include "record/Spool.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray message(std::uint64_t n) { return "pass=" + QByteArray::number(static_cast<qulonglong>(n)); }

QList<std::uint64_t> numbers(const std::vector<record::Spool::Message> &messages)
{
    QList<std::uint64_t> out;
    for (const record::Spool::Message &m : messages) {
        if (m.text != message(m.number))
            return {};
        out << m.number;
    }
    return out;
}

} // namespace

class TestSpool : public QObject {
    Q_OBJECT
private slots:
    void keepsOrderAcrossSegmentsAndStarts()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("spool");
        {
            record::Spool spool;
            QString error;
            QVERIFY2(spool.open(path, 1000, &error), qPrintable(error));
            for (std::uint64_t n = 0; n < 300; ++n)
                spool.append(message(n));
            QCOMPARE(spool.queued(), 300u);
            // Reads go on across segment ends (segments of 125 for this bound) from any point.
            QCOMPARE(numbers(spool.read(120, 10)), (QList<std::uint64_t>{120, 121, 122, 123, 124, 125, 126, 127, 128, 129}));
            QCOMPARE(numbers(spool.read(0, 300)).size(), 300);
            spool.acknowledge(130);
            QCOMPARE(spool.first(), 130u);
            // A second recorder on the same topic is refused while this one holds the spool.
            record::Spool other;
            QVERIFY(!other.open(path, 1000, &error));
            QVERIFY2(error.contains("in use by another qmx-record"), qPrintable(error));
        }
        // A crash in the middle of a message: the cut message goes, the whole ones stay.
        const QStringList segments = QDir(path).entryList({"*.spool"}, QDir::Files, QDir::Name);
        QVERIFY(segments.size() >= 2);
        QFile newest(path + u'/' + segments.back());
        QVERIFY(newest.open(QIODevice::Append));
        newest.write("pass=30");
        newest.close();
        record::Spool again;
        QString error;
        QVERIFY2(again.open(path, 1000, &error), qPrintable(error));
        QCOMPARE(again.first(), 130u);
        QCOMPARE(again.end(), 300u);
        again.append(message(300));
        const QList<std::uint64_t> waiting = numbers(again.read(0, 1000));
        QCOMPARE(waiting.size(), 171);
        QCOMPARE(waiting.front(), 130u);
        QCOMPARE(waiting.back(), 300u);
        // Delivered segments leave the disk.
        again.acknowledge(301);
        QCOMPARE(QDir(path).entryList({"*.spool"}, QDir::Files).size(), 1);
    }

    void boundDropsTheOldest()
    {
        QTemporaryDir folder;
        record::Spool spool;
        QString error;
        QVERIFY(spool.open(folder.filePath("spool"), 50, &error));
        for (std::uint64_t n = 0; n < 1000; ++n)
            spool.append(message(n));
        QCOMPARE(spool.queued(), 50u);
        QCOMPARE(spool.dropped(), 950u);
        QCOMPARE(numbers(spool.read(0, 100)).front(), 950u);
        qint64 lines = 0;
        for (const QString &name : QDir(folder.filePath("spool")).entryList({"*.spool"}, QDir::Files))
            lines += QFile(folder.filePath("spool/" + name)).size() / 8;
        QVERIFY2(lines <= 50 + 16, qPrintable(QString::number(lines)));
    }
};

QTEST_GUILESS_MAIN(TestSpool)
#include "test_spool.moc"
