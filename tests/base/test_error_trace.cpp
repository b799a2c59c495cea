// The error trace kept to a size: set aside as ErrTrace.1.txt when an entry would take it past the
// limit, one older file kept, every entry whole in one file or the other.

#include "base/ErrorTrace.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestErrorTrace : public QObject {
    Q_OBJECT

private slots:
    void olderName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("older");
        QTest::newRow("the trace") << "/data/ErrTrace.txt" << "/data/ErrTrace.1.txt";
        QTest::newRow("dot in a folder name") << "/data.d/trace" << "/data.d/trace.1";
        QTest::newRow("bare name") << "ErrTrace.txt" << "ErrTrace.1.txt";
    }
    void olderName()
    {
        QFETCH(QString, path);
        QFETCH(QString, older);
        QCOMPARE(olderErrorTracePath(path), older);
    }

    // Entries of 10 bytes against a limit of 25: two fit, the third begins a new file.
    void boundedWithOneOlderFile()
    {
        QTemporaryDir dir;
        const QString trace = dir.filePath(QStringLiteral("ErrTrace.txt"));
        const QString older = dir.filePath(QStringLiteral("ErrTrace.1.txt"));
        auto entry = [](int n) { return QByteArray("entry ") + QByteArray::number(n).rightJustified(2, '0') + "\r\n"; };
        QCOMPARE(entry(1).size(), 10);

        QVERIFY(appendErrorTrace(trace, entry(1), 25));
        QVERIFY(appendErrorTrace(trace, entry(2), 25));
        QCOMPARE(readAll(trace), entry(1) + entry(2));
        QVERIFY(!QFile::exists(older));

        QVERIFY(appendErrorTrace(trace, entry(3), 25));
        QCOMPARE(readAll(older), entry(1) + entry(2));
        QCOMPARE(readAll(trace), entry(3));

        for (int n = 4; n <= 7; ++n)
            QVERIFY(appendErrorTrace(trace, entry(n), 25));
        // 3 4 | 5 6 | 7: only the latest older file is kept.
        QCOMPARE(readAll(older), entry(5) + entry(6));
        QCOMPARE(readAll(trace), entry(7));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    }

    void entryExactlyAtTheLimitAndBeyondIt()
    {
        QTemporaryDir dir;
        const QString trace = dir.filePath(QStringLiteral("ErrTrace.txt"));
        const QString older = dir.filePath(QStringLiteral("ErrTrace.1.txt"));
        QVERIFY(appendErrorTrace(trace, QByteArray(15, 'a'), 20));
        QVERIFY(appendErrorTrace(trace, QByteArray(5, 'b'), 20)); // exactly 20: still one file
        QCOMPARE(readAll(trace), QByteArray(15, 'a') + QByteArray(5, 'b'));
        QVERIFY(!QFile::exists(older));
        // An entry larger than the limit is written whole, in a file of its own.
        const QByteArray big(50, 'c');
        QVERIFY(appendErrorTrace(trace, big, 20));
        QCOMPARE(readAll(trace), big);
        QVERIFY(appendErrorTrace(trace, "d\r\n", 20));
        QCOMPARE(readAll(older), big);
        QCOMPARE(readAll(trace), QByteArray("d\r\n"));
    }

    void traceThatCannotBeWritten()
    {
        QTemporaryDir dir;
        const QString trace = dir.filePath(QStringLiteral("ErrTrace.txt"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ErrTrace.txt"))); // a folder in its place
        QVERIFY(!appendErrorTrace(trace, "entry\r\n", 20));
        QVERIFY(QFileInfo(trace).isDir());
    }
};

QTEST_GUILESS_MAIN(TestErrorTrace)
#include "test_error_trace.moc"
