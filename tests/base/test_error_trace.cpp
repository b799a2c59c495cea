// The error trace kept to a size: set aside as ErrTrace.1.txt when an entry would take it past the
// limit, one older file kept, every entry whole in one file or the other. A trace that cannot be
// written where it began goes on in the fallback folder, said once; none is dropped without a word.

#include "base/ErrorTrace.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstring>

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

    void fallsBackOnceAndLosesNothing_data();
    void fallsBackOnceAndLosesNothing();

    void traceThatCannotBeWritten()
    {
        QTemporaryDir dir;
        const QString trace = dir.filePath(QStringLiteral("ErrTrace.txt"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ErrTrace.txt"))); // a folder in its place
        QVERIFY(!appendErrorTrace(trace, "entry\r\n", 20));
        QVERIFY(QFileInfo(trace).isDir());
    }
};

// Makes a regular file at `path` holding `bytes`.
bool putFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Where the trace could not go, as the tests make it fail for any user, root included.
enum class Failure {
    SetAsideRefused,   // at its limit, and ErrTrace.1.txt is a folder: the rename fails
    FolderIsAFile,     // the trace's folder is a regular file
    FallbackFailsToo,  // as FolderIsAFile, and the fallback folder's parent is a regular file too
    FallbackIsItsOwn,  // the trace is in the fallback folder already, and a folder is in its place
};

void TestErrorTrace::fallsBackOnceAndLosesNothing_data()
{
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<bool>("written"); // the entries are in the fallback trace
    QTest::addColumn<QString>("problem");
    const QString isFolder = QString::fromLocal8Bit(std::strerror(EISDIR));
    const QString notFolder = QString::fromLocal8Bit(std::strerror(ENOTDIR));
    QTest::newRow("set aside refused") << Failure::SetAsideRefused << true
                                       << "ErrTrace.txt cannot be set aside as %1/ErrTrace.1.txt: " + isFolder;
    QTest::newRow("folder is a file") << Failure::FolderIsAFile << true << "ErrTrace.txt: " + notFolder;
    QTest::newRow("fallback fails too") << Failure::FallbackFailsToo << false << "ErrTrace.txt: " + notFolder;
    QTest::newRow("fallback is its own") << Failure::FallbackIsItsOwn << false << "ErrTrace.txt: " + isFolder;
}

// The fault: at its size limit in a folder that could not take the rename, 209 of 210 entries were
// dropped without a word.
void TestErrorTrace::fallsBackOnceAndLosesNothing()
{
    QFETCH(Failure, failure);
    QFETCH(bool, written);
    QFETCH(QString, problem);
    constexpr qint64 kLimit = 5000;
    constexpr int kEntries = 210;
    QTemporaryDir dir;
    const QString chosen = dir.filePath(QStringLiteral("chosen"));
    QString fallbackFolder = dir.filePath(QStringLiteral("data/Quillster/CON"));
    QString trace = chosen + QStringLiteral("/ErrTrace.txt");
    const QByteArray before(kLimit - 5, 'x');
    switch (failure) {
    case Failure::SetAsideRefused:
        QVERIFY(QDir().mkpath(chosen + QStringLiteral("/ErrTrace.1.txt")));
        QVERIFY(putFile(trace, before));
        break;
    case Failure::FallbackFailsToo:
        QVERIFY(putFile(dir.filePath(QStringLiteral("data")), "a file where a folder would be"));
        Q_FALLTHROUGH();
    case Failure::FolderIsAFile:
        QVERIFY(putFile(chosen, "a file where a folder would be"));
        break;
    case Failure::FallbackIsItsOwn:
        trace = fallbackFolder + QStringLiteral("/ErrTrace.txt");
        QVERIFY(QDir().mkpath(trace));
        break;
    }
    if (failure == Failure::SetAsideRefused)
        problem = problem.arg(chosen);
    QStringList notices;
    ErrorTrace errorTrace(trace, fallbackFolder, [&](const QString &failedPath, const QString &why, const QString &now) {
        notices << failedPath + u'|' + why + u'|' + now;
    }, kLimit);
    QByteArray entries;
    int appended = 0;
    for (int n = 1; n <= kEntries; ++n) {
        const QByteArray entry = "entry " + QByteArray::number(n).rightJustified(3, '0') + "\r\n";
        entries += entry;
        appended += errorTrace.append(entry) ? 1 : 0;
    }
    const QString fallback = fallbackFolder + QStringLiteral("/ErrTrace.txt");
    QCOMPARE(notices.size(), 1);
    QVERIFY2(notices.front().endsWith(problem + u'|' + (written ? fallback : QString())), qPrintable(notices.front()));
    if (written) {
        QCOMPARE(appended, kEntries);
        QCOMPARE(readAll(fallback), entries);
        QCOMPARE(errorTrace.path(), fallback);
    } else {
        QCOMPARE(appended, 0);
    }
    // The chosen trace is left as it was.
    if (failure == Failure::SetAsideRefused)
        QCOMPARE(readAll(trace), before);
}

QTEST_GUILESS_MAIN(TestErrorTrace)
#include "test_error_trace.moc"
