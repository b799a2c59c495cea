// Reading the system's text files: only a regular file of bounded size is read. A device that
// never ends (/dev/zero aborted with bad_alloc), a FIFO without a writer (hung for good) and a
// folder are refused at once, with the reason.

#include "base/TextFile.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

class TestTextFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QVERIFY(::mkfifo(QFile::encodeName(dir_.filePath(QStringLiteral("fifo"))).constData(), 0600) == 0);
        QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("folder")));
        writeFile(QStringLiteral("lines.txt"), "a\r\nb\nc\rd");
        // Sparse files: their size costs no disk.
        sizedFile(QStringLiteral("at-limit.txt"), textfile::kMaxReadBytes);
        sizedFile(QStringLiteral("past-limit.txt"), textfile::kMaxReadBytes + 1);
    }

    void readsOnlyRegularFilesOfBoundedSize_data()
    {
        QTest::addColumn<QString>("path"); // in the test's folder unless absolute
        QTest::addColumn<qsizetype>("lines"); // -1: refused
        QTest::addColumn<QString>("reason");
        QTest::newRow("text file") << "lines.txt" << qsizetype(4) << QString();
        QTest::newRow("at the size limit") << "at-limit.txt" << qsizetype(1) << QString();
        QTest::newRow("past the size limit") << "past-limit.txt" << qsizetype(-1) << "larger than 4 MiB";
        QTest::newRow("endless device") << "/dev/zero" << qsizetype(-1) << "a device, not a regular file";
        QTest::newRow("FIFO without a writer") << "fifo" << qsizetype(-1) << "a FIFO, not a regular file";
        QTest::newRow("folder") << "folder" << qsizetype(-1) << "a folder, not a regular file";
        QTest::newRow("missing") << "missing.txt" << qsizetype(-1) << QString::fromLocal8Bit(std::strerror(ENOENT));
    }
    void readsOnlyRegularFilesOfBoundedSize()
    {
        QFETCH(QString, path);
        QFETCH(qsizetype, lines);
        QFETCH(QString, reason);
        QElapsedTimer timer;
        timer.start();
        QString error;
        const std::optional<QStringList> read =
            textfile::readLines(path.startsWith(u'/') ? path : dir_.filePath(path), &error);
        QVERIFY(timer.elapsed() < 5000);
        if (lines < 0) {
            QVERIFY(!read);
            QVERIFY2(error.startsWith(reason), qPrintable(error));
        } else {
            QVERIFY2(read, qPrintable(error));
            QCOMPARE(read->size(), lines);
        }
    }

    void reasonWhatIsThereIsNoRegularFile()
    {
        const auto reason = [this](const QString &name) { return textfile::notRegularFileReason(dir_.filePath(name)); };
        QCOMPARE(reason(QStringLiteral("lines.txt")), QString());
        QCOMPARE(reason(QStringLiteral("missing.txt")), QString());
        QCOMPARE(reason(QStringLiteral("folder")), QStringLiteral("a folder, not a regular file"));
        QCOMPARE(reason(QStringLiteral("fifo")), QStringLiteral("a FIFO, not a regular file"));
        QCOMPARE(textfile::notRegularFileReason(QStringLiteral("/dev/null")), QStringLiteral("a device, not a regular file"));
        // A link is followed to what it names.
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), dir_.filePath(QStringLiteral("link"))));
        QCOMPARE(reason(QStringLiteral("link")), QStringLiteral("a device, not a regular file"));
    }

private:
    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(dir_.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    void sizedFile(const QString &name, qint64 size)
    {
        QFile file(dir_.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(size));
    }

    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "test_text_file.moc"
