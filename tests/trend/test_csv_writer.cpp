// The CSV writer the Trend Graph's "Record to file" and qmx-record share: a file that cannot take a
// write is cut back to its last whole row, counted right and closed; much gathered is written
// before the second is over; a file handed over as a descriptor is written and closed.

#include "tests/support/TestEnvironment.h"
#include "trend/model/CsvWriter.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// Writes past `bytes` fail with EFBIG while it lives, at any byte of a row, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &old_); }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit old_{};
};

QByteArray row(int n) { return ",," + QByteArray::number(n) + "\r\n"; }

} // namespace

class TestCsvWriter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void writeThatFailsCutsBackToTheLastWholeRow();
    void muchGatheredIsWrittenBeforeTheSecond();
    void fileHandedOverAsDescriptor();

private:
    QTemporaryDir dir_;
};

void TestCsvWriter::writeThatFailsCutsBackToTheLastWholeRow()
{
    const QByteArray header = "time,t_s,A\r\n"; // 12 bytes, every row 5
    const QString path = dir_.filePath(QStringLiteral("cut.csv"));
    const auto t0 = std::chrono::steady_clock::now();
    CsvWriter writer;
    QVERIFY(writer.open(path, t0));
    writer.addHeader(header);
    QVERIFY(writer.addRow(row(1), t0));
    QVERIFY(writer.addRow(row(2), t0));
    QVERIFY(writer.flush(t0));
    QCOMPARE(testenv::readAll(path), header + row(1) + row(2));

    // Room for one more row and three bytes of the next: the second flush is cut in a row.
    {
        const FileSizeLimit limit(30);
        QVERIFY(writer.addRow(row(3), t0 + 100ms));
        QVERIFY(writer.addRow(row(4), t0 + 200ms));
        QVERIFY(writer.addRow(row(5), t0 + 300ms));
        QVERIFY(!writer.flush(t0 + 400ms));
    }
    QCOMPARE(testenv::readAll(path), header + row(1) + row(2) + row(3));
    QVERIFY(writer.failed());
    QVERIFY(!writer.isOpen());
    QCOMPARE(writer.rows(), std::uint64_t{3});
    QCOMPARE(writer.bytes(), std::uint64_t{27});
    QCOMPARE(writer.error(), qt_error_string(EFBIG) + QStringLiteral("; the file ends with its last whole row"));
    QCOMPARE(writer.path(), path);

    // It takes no more, and says so every time.
    QVERIFY(!writer.addRow(row(6), t0 + 2s));
    QVERIFY(!writer.flush(t0 + 2s));
    QVERIFY(!writer.close());
    QCOMPARE(writer.rows(), std::uint64_t{3});
    QCOMPARE(testenv::readAll(path), header + row(1) + row(2) + row(3));

    // Opened again, it begins anew.
    QVERIFY(writer.open(path, t0));
    QVERIFY(!writer.failed() && writer.error().isEmpty() && writer.rows() == 0);
    writer.addHeader(header);
    QVERIFY(writer.close());
    QCOMPARE(testenv::readAll(path), header);

    // A folder that is not there: not opened, with the system's reason.
    QVERIFY(!writer.open(dir_.filePath(QStringLiteral("no/such/folder.csv")), t0));
    QCOMPARE(writer.error(), qt_error_string(ENOENT));
}

void TestCsvWriter::muchGatheredIsWrittenBeforeTheSecond()
{
    const QString path = dir_.filePath(QStringLiteral("ahead.csv"));
    const auto t0 = std::chrono::steady_clock::now();
    CsvWriter writer;
    QVERIFY(writer.open(path, t0));
    const QByteArray line = QByteArray(99, '7') + '\n';
    qint64 given = 0;
    while (given + line.size() < CsvWriter::kWriteAheadBytes) {
        QVERIFY(writer.addRow(line, t0));
        given += line.size();
    }
    QCOMPARE(QFileInfo(path).size(), 0);
    QVERIFY(writer.addRow(line, t0));
    QCOMPARE(QFileInfo(path).size(), given + line.size());
    QCOMPARE(writer.bytes(), static_cast<std::uint64_t>(given + line.size()));
}

void TestCsvWriter::fileHandedOverAsDescriptor()
{
    const QString path = dir_.filePath(QStringLiteral("fd.csv"));
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    QVERIFY(fd >= 0);
    const auto t0 = std::chrono::steady_clock::now();
    CsvWriter writer;
    QVERIFY(writer.openDescriptor(fd, t0));
    writer.addHeader("time,t_s,A\r\n");
    QVERIFY(writer.addRow(row(1), t0 + 1s));
    QCOMPARE(testenv::readAll(path), QByteArray("time,t_s,A\r\n,,1\r\n"));
    QCOMPARE(writer.rows(), std::uint64_t{1});
    QVERIFY(writer.close());
    QCOMPARE(::fcntl(fd, F_GETFD), -1); // closed with the writer

    QVERIFY(!writer.openDescriptor(-1, t0));
    QVERIFY(writer.failed() && !writer.error().isEmpty());
    QVERIFY(!writer.addRow(row(1), t0 + 1s));
}

QTEST_MAIN(TestCsvWriter)
#include "test_csv_writer.moc"
