// The spool of --publish on its own: messages read back in order across segments and across a
// new start, a message cut by a crash gone while the whole ones stay, the bound dropping the
// oldest, a spool held by one recorder refused to another, and a disk that refuses messages (a
// file-size limit on the test's own process).

#include "record/Spool.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

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

// Messages of 40 bytes with their line end, whatever their number.
QByteArray fixedMessage(std::uint64_t n) { return "pass=" + QByteArray::number(static_cast<qulonglong>(n)).rightJustified(34, '0'); }

// Whether the messages are fixed messages in the order they were appended, numbered one after the
// other (a dropped message takes no number).
bool fixedAndInOrder(const std::vector<record::Spool::Message> &messages)
{
    qulonglong appended = 0;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        bool ok = false;
        const qulonglong n = messages[i].text.mid(5).toULongLong(&ok);
        if (!ok || messages[i].text != fixedMessage(n) || (i > 0 && (n <= appended || messages[i].number != messages[i - 1].number + 1)))
            return false;
        appended = n;
    }
    return true;
}

qint64 linesOnDisk(const QString &folder)
{
    qint64 lines = 0;
    for (const QString &name : QDir(folder).entryList({"*.spool"}, QDir::Files))
        lines += QFile(folder + u'/' + name).size() / 40;
    return lines;
}

// Files of this process larger than `bytes` cannot be written (EFBIG, SIGXFSZ ignored) while it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &before_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, before_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &before_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit before_{};
    void (*previousHandler_)(int) = nullptr;
};

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

    // A file-size limit: the spool used to drop every message for good once its one segment was
    // as large as the limit, delivered or not, the newest segment being never removed. Now segments
    // are a quarter of the limit known at the start; a segment that the limit (lowered meanwhile)
    // refuses is closed and the message goes to a new one; delivered segments leave the disk.
    void fileSizeLimit()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("spool");
        std::uint64_t next = 0;
        {
            record::Spool spool;
            QString error;
            QVERIFY2(spool.open(path, 100000, &error), qPrintable(error));
            for (; next < 300; ++next)
                spool.append(fixedMessage(next));
            const FileSizeLimit limit(200 * 40);
            for (int i = 0; i < 300; ++i)
                spool.append(fixedMessage(next++));
            QCOMPARE(spool.dropped(), 0u);
            QCOMPARE(spool.queued(), 600u);
            QCOMPARE(spool.writeError(), QString());
            std::vector<record::Spool::Message> waiting = spool.read(0, 1000);
            QCOMPARE(waiting.size(), std::size_t{600});
            QVERIFY(fixedAndInOrder(waiting));
            // The broker takes them: the disk keeps the segment appended to alone, of a page.
            spool.acknowledge(spool.end());
            QVERIFY2(linesOnDisk(path) <= 4096 / 40, qPrintable(QString::number(linesOnDisk(path))));
            for (int i = 0; i < 100; ++i)
                spool.append(fixedMessage(next++));
            QCOMPARE(spool.dropped(), 0u);
            waiting = spool.read(0, 1000);
            QCOMPARE(waiting.size(), std::size_t{100});
            QVERIFY(fixedAndInOrder(waiting));
            spool.acknowledge(waiting.at(60).number);
        }
        // Known at the start: segments of a quarter of the limit, and the next start sends only
        // what was not delivered.
        const FileSizeLimit limit(800 * 40);
        record::Spool again;
        QString error;
        QVERIFY2(again.open(path, 100000, &error), qPrintable(error));
        QCOMPARE(again.queued(), 40u);
        QVERIFY(fixedAndInOrder(again.read(0, 1000)));
        again.acknowledge(again.end());
        for (int i = 0; i < 1000; ++i)
            again.append(fixedMessage(next++));
        QCOMPARE(again.dropped(), 0u);
        const QFileInfoList segments = QDir(path).entryInfoList({"*.spool"}, QDir::Files);
        QVERIFY(segments.size() >= 5);
        for (const QFileInfo &segment : segments)
            QVERIFY2(segment.size() <= 800 * 40 / 4, qPrintable(segment.fileName()));
        again.acknowledge(again.end());
        QVERIFY2(linesOnDisk(path) <= 800 / 4, qPrintable(QString::number(linesOnDisk(path))));
    }

    // Files that may hold plant data follow one rule, the recorder's output files' own: the umask.
    // Spool segments used to be 0600 whatever it said, while the folder and the output files
    // followed it.
    void filesFollowTheUmask_data()
    {
        QTest::addColumn<int>("umask");
        QTest::newRow("022") << 022;
        QTest::newRow("077") << 077;
        QTest::newRow("027") << 027;
    }
    void filesFollowTheUmask()
    {
        QFETCH(int, umask);
        QTemporaryDir folder;
        const QString path = folder.filePath("spool");
        const mode_t before = ::umask(static_cast<mode_t>(umask));
        const auto restore = qScopeGuard([before] { ::umask(before); });
        {
            record::Spool spool;
            QString error;
            QVERIFY2(spool.open(path, 1000, &error), qPrintable(error));
            spool.append(message(1));
            spool.acknowledge(1);
            spool.append(message(2));
        }
        const auto modeOf = [](const QString &file) {
            struct stat status {};
            return ::stat(QFile::encodeName(file).constData(), &status) == 0 ? int(status.st_mode & 0777) : -1;
        };
        QCOMPARE(modeOf(path), 0777 & ~umask);
        const QStringList files = QDir(path).entryList(QDir::Files);
        QVERIFY2(files.size() >= 3, qPrintable(files.join(u' '))); // segments, the position, the lock
        for (const QString &file : files)
            QVERIFY2(modeOf(path + u'/' + file) == (0666 & ~umask), qPrintable(file));
    }

    // The position of the oldest message waiting, kept when the disk is full: it used to be written
    // only as a new file, which a full disk refused, and the next start sent the delivered
    // messages again. A 64 KiB file system of the test's own, in a mount namespace of the test's
    // thread, where the system lets a test make one.
    void positionKeptOnAFullDisk()
    {
        QTemporaryDir folder;
        const QString small = folder.filePath("small");
        QVERIFY(QDir().mkpath(small));
        const QByteArray mountPoint = QFile::encodeName(small);
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("no file system of the test's own can be made here (mounting is not allowed)");
        const auto unmount = qScopeGuard([&] { ::umount2(mountPoint.constData(), MNT_DETACH); });
        const QString path = small + QStringLiteral("/spool");
        std::uint64_t delivered = 0;
        {
            record::Spool spool;
            QString error;
            QVERIFY2(spool.open(path, 100000, &error), qPrintable(error));
            for (std::uint64_t n = 0; spool.dropped() == 0 && n < 100000; ++n)
                spool.append(fixedMessage(n));
            QVERIFY2(spool.writeError().contains(QString::fromLocal8Bit(std::strerror(ENOSPC))), qPrintable(spool.writeError()));
            delivered = spool.first() + spool.queued() / 2;
            spool.acknowledge(delivered - 1); // the position is written at once, then every 0.5 s
            spool.acknowledge(delivered);
            // Something else takes the room the delivered messages left.
            QFile filler(small + QStringLiteral("/filler"));
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            while (filler.write(QByteArray(512, 'x')) == 512) {
            }
        } // the end of the run keeps the position
        record::Spool again;
        QString error;
        QVERIFY2(again.open(path, 100000, &error), qPrintable(error));
        QCOMPARE(again.first(), delivered);
    }
};

QTEST_GUILESS_MAIN(TestSpool)
#include "test_spool.moc"
