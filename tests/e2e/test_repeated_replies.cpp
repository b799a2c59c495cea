// qmx-record at 9600 baud against qmx-sim sending one reply in seven a second time, 30 ms later
// (`--fault repeat --fault-every 7`): no cell holds another read's value; the repeats are counted
// as failed reads, out of turn.

#include "link/ControllerWord.h"
#include "tests/record/RecorderProgram.h"
#include "tests/support/TestEnvironment.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr std::uint32_t kFirstAddress = 0x600E00;
constexpr int kWords = 0x200;
// Seven words: three neighbours (one block read in block mode) and four of their own.
constexpr std::uint32_t kChannels[] = {0x600E60, 0x600E62, 0x600E64, 0x600E70, 0x600F00, 0x600F02, 0x601000};

// A word of its own at every even address: (address / 2) times an odd number is one-to-one.
std::uint16_t wordAt(std::uint32_t address) { return static_cast<std::uint16_t>(((address >> 1) * 40503u) & 0xFFFFu); }

// The words above as a memory image for qmx-sim --image.
QByteArray memoryImage()
{
    QByteArray line = "@" + QByteArray::number(kFirstAddress, 16).toUpper().rightJustified(8, '0') + "," +
                      QByteArray::number(kWords, 16).toUpper().rightJustified(4, '0') + ",";
    for (int i = 0; i < kWords; ++i)
        line += QByteArray::number(wordAt(kFirstAddress + 2 * static_cast<std::uint32_t>(i)), 16).toUpper() + ",";
    return line + "\r\n";
}

} // namespace

class TestRepeatedReplies : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testenv::prepare(); }
    void noCellTakesARepeatedReply_data();
    void noCellTakesARepeatedReply();
};

void TestRepeatedReplies::noCellTakesARepeatedReply_data()
{
    QTest::addColumn<QString>("reads");
    QTest::addColumn<bool>("outOfTurnCounted");
    QTest::newRow("word reads") << QStringLiteral("word") << true;
    QTest::newRow("channel reads") << QStringLiteral("channel") << true;
    // A repeated block reply echoes another address than the next request's and is discarded.
    QTest::newRow("block reads") << QStringLiteral("block") << false;
}

void TestRepeatedReplies::noCellTakesARepeatedReply()
{
    QFETCH(QString, reads);
    QFETCH(bool, outOfTurnCounted);
    QTemporaryDir folder;
    const QString image = folder.filePath(QStringLiteral("image.dat"));
    {
        QFile file(image);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(memoryImage());
    }
    const QString link = testenv::programDir() + QStringLiteral("qmx-tty-repeat");
    QProcess simulator;
    simulator.start(QStringLiteral(QMX_SIM_EXE), {"--image", image, "--link", link, "--baud", "9600", "--no-live",
                                                  "--fault", "repeat", "--fault-every", "7"});
    QByteArray said;
    while (!said.contains("link: ") && simulator.waitForReadyRead(5000))
        said += simulator.readAllStandardOutput();
    QVERIFY2(said.contains("link: "), simulator.readAllStandardError().constData());

    const QString out = folder.filePath(QStringLiteral("run.csv"));
    QStringList arguments{"--port", link, "--reads", reads, "--out", out, "--duration", "4s"};
    for (const std::uint32_t address : kChannels)
        arguments << QStringLiteral("--channel") << QString::number(address, 16).toUpper();
    const RecorderRun run = runRecorder(arguments, 30000);
    simulator.terminate();
    QVERIFY(simulator.waitForFinished(5000));
    QVERIFY2(run.exitCode == 0, run.err.constData());

    const auto rows = readCsv(out);
    QVERIFY2(rows && rows->size() > 2, run.out.constData());
    int wrong = 0;
    int empty = 0;
    QString firstWrong;
    for (qsizetype r = 1; r < rows->size(); ++r) {
        for (int c = 0; c < int(std::size(kChannels)); ++c) {
            const QByteArray &cell = rows->at(r).at(2 + c);
            if (cell.isEmpty()) {
                ++empty;
                continue;
            }
            const QByteArray expected = QByteArray::number(signedWord(wordAt(kChannels[c])));
            if (cell != expected && wrong++ == 0)
                firstWrong = QStringLiteral("row %1, %2: %3, not %4")
                                 .arg(r)
                                 .arg(QString::fromLatin1(rows->front().at(2 + c)), QString::fromLatin1(cell),
                                      QString::fromLatin1(expected));
        }
    }
    QVERIFY2(wrong == 0, qPrintable(QStringLiteral("%1 wrong cells; first: %2").arg(wrong).arg(firstWrong)));
    if (outOfTurnCounted) {
        QVERIFY(empty > 0);
        QVERIFY2(run.out.contains("-15 out of turn: "), run.out.constData());
    }
}

QTEST_MAIN(TestRepeatedReplies)
#include "test_repeated_replies.moc"
