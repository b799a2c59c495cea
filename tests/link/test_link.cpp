// The device link against the controller simulator on a pseudo-terminal: frames byte for byte,
// every result code through the real port, chunked reads, the port's open rules.

#include "link/Frame.h"
#include "link/Link.h"
#include "link/LinkCore.h"
#include "link/LinkResult.h"
#include "link/ReplyDeadline.h"
#include "link/SerialPort.h"
#include "link/Settings.h"
#include "link/UucpLock.h"
#include "sim/ControllerSimulator.h"
#include "tests/support/SimulatedPort.h"
#include "tests/support/TestEnvironment.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

Q_DECLARE_METATYPE(SimFault::Kind)

namespace {

QByteArray bytes(const char *s) { return QByteArray(s); }

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

ReplyOutcome parse(const QByteArray &reply, std::array<std::uint8_t, 1200> &data)
{
    data.fill(0);
    return parseReply(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t *>(reply.constData()),
                                                    static_cast<std::size_t>(reply.size())),
                      std::span<std::uint8_t>(data.data(), data.size()));
}

QByteArray stxReply(const QByteArray &body)
{
    return QByteArray("\x02" "0") + body + checksumText(body.constData(), body.size()) + "\r\n";
}

// Another program for the port tests: a child process that keeps nothing of ours open (so it does
// not count as the far end of the simulator's line), optionally opens `device`, tells the parent
// through a pipe that it is ready, and waits to be ended.
class OtherProgram {
public:
    explicit OtherProgram(const QByteArray &device = {})
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            for (int fd = 3; fd < 1024; ++fd)
                if (fd != ready[1])
                    ::close(fd);
            if (!device.isEmpty() && ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK) < 0)
                ::_exit(1);
            const char ok = 1;
            if (::write(ready[1], &ok, 1) != 1)
                ::_exit(1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char ok = 0;
        ready_ = pid_ > 0 && ::read(ready[0], &ok, 1) == 1;
        ::close(ready[0]);
    }
    ~OtherProgram() { end(); }
    void end()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
    bool ready() const { return ready_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    bool ready_ = false;
};

QString lockFileFor(const QString &device)
{
    return QString::fromStdString(lockDirectory()) + QStringLiteral("/LCK..") +
           QFileInfo(QFileInfo(device).canonicalFilePath()).fileName();
}

// Values read, for a failure message: hexadecimal, failures as their negative code.
QString hex(const QVector<int> &values)
{
    QStringList texts;
    for (const int v : values)
        texts << (v < 0 ? QString::number(v) : QString::number(v, 16));
    return texts.join(u' ');
}

// A line whose arrivals are scripted: each wait finds the next piece while one is left, and a
// byte takes `pace` on the wire.
class ScriptedLine final : public ByteTransport {
public:
    QList<QByteArray> pieces;
    std::chrono::nanoseconds pace{0};

    bool isOpen() const override { return true; }
    void purge() override {}
    bool write(std::span<const std::uint8_t>) override { return true; }
    std::ptrdiff_t readAvailable(std::span<std::uint8_t> buffer) override
    {
        if (pieces.isEmpty())
            return 0;
        const QByteArray piece = pieces.takeFirst();
        const auto n = std::min<std::size_t>(buffer.size(), static_cast<std::size_t>(piece.size()));
        std::copy_n(piece.constData(), n, buffer.begin());
        return static_cast<std::ptrdiff_t>(n);
    }
    bool waitForBytes(SteadyDeadline) override { return !pieces.isEmpty(); }
    std::chrono::nanoseconds byteTime() const override { return pace; }
};

void writeLockFile(const QString &path, long pid)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray::number(static_cast<qlonglong>(pid)).rightJustified(10, ' ') + "\n");
}

} // namespace

class TestLink : public QObject {
    Q_OBJECT

    SimulatedPort port;
    ControllerSimulator &sim = port.simulator();
    Link link;
    QStringList messages;
    QStringList details;

    void openPort()
    {
        const int opened = link.open(PortUser::Tool);
        QVERIFY2(opened == 0, qPrintable(details.join(QStringLiteral(" | "))));
    }

private slots:
    void initTestCase()
    {
        testenv::prepare();
        QVERIFY2(port.start(QStringLiteral("COM1")), qPrintable(port.error()));
        sim.setLiveDemo(false);
        link.setMessageFunction([this](const QString &t, const QString &d) {
            messages.append(t);
            details.append(d);
        });
    }
    void cleanupTestCase()
    {
        link.close();
        sim.stop();
    }
    void init()
    {
        messages.clear();
        details.clear();
        sim.clearFaults();
        sim.clearRequestLog();
        sim.setBaud(0);
        setChosenPortName(QStringLiteral("COM1"));
    }
    void cleanup() { link.close(); }

    void requestFramesByteForByte()
    {
        QCOMPARE(buildRequestFrame(RequestRecord::make('R', 0x00600600, 2)), bytes("\x05 R00600600DE\r\n"));
        const QByteArray block = buildRequestFrame(RequestRecord::make('r', 0x00600600, 2));
        QCOMPARE(block.size(), 17);
        QCOMPARE(block, bytes("\x05 r006006000260\r\n"));
        QCOMPARE(buildRequestFrame(RequestRecord::make('r', 0x00ABCDEF, 232)).mid(2, 11), bytes("r00ABCDEFE8"));
    }

    void replyParsing_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("R word") << stxReply("RFFFE") << 0 << bytes("\xFF\xFE");
        QTest::newRow("r block") << stxReply("r00600600021234") << 0 << bytes("\x12\x34");
        QTest::newRow("lower-case data digits decode") << stxReply("Rabcd") << 0 << bytes("\xAB\xCD");
        // Noise can forge a frame whose byte sum still fits: a data character that is no hex
        // digit, or a frame cut short by a stray LF (no CR before it), is a corrupted reply.
        QTest::newRow("data digit no hex digit") << stxReply("RD3" "\x01" "8") << -2 << QByteArray();
        QTest::newRow("block data digit no hex digit") << stxReply("r006006000212" "\x8A" "4") << -2 << QByteArray();
        QTest::newRow("no CR before LF") << QByteArray(stxReply("R1234")).remove(9, 1).insert(9, 'x') << -2 << QByteArray();
        QByteArray lower = stxReply("R4E20"); // checksum 2D
        lower.replace(lower.size() - 4, 2, lower.mid(lower.size() - 4, 2).toLower());
        QTest::newRow("lower-case checksum") << lower << -2 << QByteArray();
        QByteArray wrong = stxReply("R1234");
        wrong[wrong.size() - 3] = wrong[wrong.size() - 3] == '0' ? '1' : '0';
        QTest::newRow("wrong checksum") << wrong << -2 << QByteArray();
        QTest::newRow("no data letter") << stxReply("W") << 0 << QByteArray();
        QTest::newRow("STX too short") << bytes("\x02" "0R\r\n") << -2 << QByteArray();
        QTest::newRow("r too short") << stxReply("r0060") << -2 << QByteArray();
        QTest::newRow("NAK D") << bytes("\x15" "0D\r\n") << -3 << QByteArray();
        QTest::newRow("NAK d") << bytes("\x15" "0d\r\n") << -4 << QByteArray();
        QTest::newRow("NAK z") << bytes("\x15" "0z\r\n") << -12 << QByteArray();
        // A NAK has no checksum: a letter outside the table (a corrupted real one) is a failure.
        QTest::newRow("NAK other letter") << bytes("\x15" "0Q\r\n") << -14 << QByteArray();
        QTest::newRow("NAK corrupted D") << bytes("\x15" "0\xC4\r\n") << -14 << QByteArray();
        QTest::newRow("NAK without letter") << bytes("\x15\n") << -14 << QByteArray();
        QTest::newRow("garbage first byte") << bytes("?0R1234\r\n") << -13 << QByteArray();
    }
    void replyParsing()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, code);
        QFETCH(QByteArray, data);
        std::array<std::uint8_t, 1200> replyData{};
        const ReplyOutcome outcome = parse(reply, replyData);
        QCOMPARE(outcome.code, code);
        QCOMPARE(outcome.nak, reply.startsWith('\x15'));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(replyData.data()), data.size()), data);
        if (code != 0 || data.isEmpty())
            QVERIFY(std::all_of(replyData.begin(), replyData.end(), [](auto b) { return b == 0; }));
    }

    void replyDataLongerThanBufferIsRefused()
    {
        std::array<std::uint8_t, 4> small{};
        const QByteArray reply = stxReply("R0102030405");
        const ReplyOutcome outcome =
            parseReply(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t *>(reply.constData()),
                                                     static_cast<std::size_t>(reply.size())),
                       small);
        QCOMPARE(outcome.code, -2);
    }

    void openRules()
    {
        // No stored name: COM1.
        setChosenPortName(QString());
        QCOMPARE(link.open(PortUser::TrendRun), 0);
        QCOMPARE(link.portName(), QStringLiteral("COM1"));
        QCOMPARE(link.holder(), PortUser::TrendRun);

        // A second activity is refused while the first holds the port; its close does nothing.
        QCOMPARE(link.open(PortUser::Monitor), -1);
        QCOMPARE(messages, QStringList{kCreateFileError});
        link.close(PortUser::Monitor);
        QVERIFY(link.isOpen());
        link.close(PortUser::TrendRun);
        QVERIFY(!link.isOpen());
        link.close(); // closing a closed port does no harm
        QVERIFY(!link.isOpen());
        QElapsedTimer closedClock;
        closedClock.start();
        QCOMPARE(link.readValue('R', 2, 0x00600600), -1); // at once: nothing can answer
        QVERIFY(closedClock.elapsed() < 500);

        // Another program (here another link) holding the device: refused at open.
        Link other;
        QCOMPARE(other.open(PortUser::Tool), 0);
        messages.clear();
        QCOMPARE(link.open(PortUser::Tool), -1);
        QCOMPARE(messages, QStringList{kCreateFileError});
        other.close();

        // Five-character names get the device prefix; longer ones do not fit and are refused.
        port.mapTo(QStringLiteral("COM12"));
        QCOMPARE(link.open(PortUser::Tool), 0);
        QCOMPARE(link.portName(), QStringLiteral("\\\\.\\COM12"));
        link.close();
        messages.clear();
        setChosenPortName(QStringLiteral("COM123"));
        QCOMPARE(link.open(PortUser::Tool), -1);
        QCOMPARE(messages, QStringList{kCreateFileError});

        // A device that does not exist.
        messages.clear();
        testenv::usePort(QStringLiteral("COM7"), QStringLiteral("/nonexistent/ttyQMX"));
        QCOMPARE(link.open(PortUser::Tool), -1);
        QCOMPARE(messages, QStringList{kCreateFileError});
        QVERIFY(!link.isOpen());
        QCOMPARE(devicePathForPort(QStringLiteral("COM3")), QStringLiteral("/dev/ttyS2"));
    }

    void everyResultCodeThroughThePort()
    {
        openPort();
        sim.writeWord(0x00600E00, 0xFFFE);
        QCOMPARE(link.readValue('R', 2, 0x00600E00), 65534);
        QCOMPARE(sim.lastRequest(), bytes("\x05 R00600E00") + checksumText("R00600E00", 9) + "\r\n");

        const struct {
            char letter;
            int code;
        } refusals[] = {{'D', -3}, {'d', -4}, {'E', -5}, {'O', -6}, {'P', -7}, {'S', -8},
                        {'s', -9}, {'X', -10}, {'Z', -11}, {'z', -12}, {'Q', -14}};
        for (const auto &r : refusals) {
            SimFault fault;
            fault.kind = SimFault::Kind::Nak;
            fault.letter = r.letter;
            sim.queueFault(fault);
            QCOMPARE(link.transact(RequestRecord::make('R', 0x00600E00, 2)), r.code);
            QCOMPARE(link.lastErrorReply().at(2), r.letter);
            QVERIFY(link.lastErrorReply().startsWith('\x15'));
            QVERIFY(link.lastErrorReply().endsWith("\r\n"));
            QCOMPARE(int(link.replyData()[0]) + int(link.replyData()[1]), 0);
        }
        const QByteArray lastNak = link.lastErrorReply();
        // A refusal letter the controller does not have may be noise ahead of the real reply: the
        // next exchange first brings the line back in step, which this read does.
        QVERIFY(link.outOfStep());
        QCOMPARE(link.readValue('R', 2, 0x00600E00), 65534);
        QVERIFY(!link.outOfStep());

        SimFault checksum;
        checksum.kind = SimFault::Kind::WrongChecksum;
        sim.queueFault(checksum);
        QCOMPARE(link.transact(RequestRecord::make('R', 0x00600E00, 2)), -2);
        QCOMPARE(int(link.replyData()[0]) + int(link.replyData()[1]), 0);
        QCOMPARE(link.lastErrorReply(), lastNak); // only a refusal replaces it
        QCOMPARE(link.readValue('R', 2, 0x00600E00), 65534);

        SimFault lower;
        lower.kind = SimFault::Kind::LowerCaseChecksum;
        // A word whose reply checksum has letters, so that lower case makes a difference.
        quint16 word = 0;
        auto hasLetter = [](quint16 w) {
            const QByteArray body = "R" + QByteArray::number(w, 16).toUpper().rightJustified(4, '0');
            const QByteArray sum = checksumText(body.constData(), body.size());
            return sum.toLower() != sum;
        };
        while (!hasLetter(word))
            ++word;
        sim.writeWord(0x00600E02, word);
        sim.queueFault(lower);
        QCOMPARE(link.transact(RequestRecord::make('R', 0x00600E02, 2)), -2);
        QCOMPARE(link.readValue('R', 2, 0x00600E02), int(word));

        SimFault badFirst;
        badFirst.kind = SimFault::Kind::BadFirstByte;
        sim.queueFault(badFirst);
        QCOMPARE(link.transact(RequestRecord::make('R', 0x00600E00, 2)), -13);
        QCOMPARE(link.readValue('R', 2, 0x00600E00), 65534);

        // A reply in pieces is assembled; stale bytes waiting before a request are purged.
        SimFault pieces;
        pieces.kind = SimFault::Kind::Pieces;
        pieces.pieces = 4;
        pieces.pieceDelayMs = 40;
        sim.queueFault(pieces);
        QCOMPARE(link.readValue('R', 2, 0x00600E00), 65534);
        sim.sendStaleBytes(bytes("\x02" "0R0000C2\r\n"));
        QTest::qWait(50);
        QCOMPARE(link.readValue('R', 2, 0x00600E00), 65534);

        // Silence: -1 after one to two seconds, waiting in the OS rather than spinning.
        SimFault silence;
        silence.kind = SimFault::Kind::Silence;
        sim.queueFault(silence);
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = cpuSeconds();
        QCOMPARE(link.readValue('R', 2, 0x00600E00), -1);
        const qint64 waited = clock.elapsed();
        QVERIFY2(waited >= 1000 && waited <= 2100, qPrintable(QString::number(waited)));
        QVERIFY2(cpuSeconds() - cpuBefore < 0.3, "the wait for a reply must not spin");

        // A reply that never ends in LF is never complete.
        SimFault noLf;
        noLf.kind = SimFault::Kind::NoLineFeed;
        sim.queueFault(noLf);
        QCOMPARE(link.transact(RequestRecord::make('R', 0x00600E00, 2)), -1);
        QCOMPARE(link.readValue('R', 2, 0x00600E00), 65534); // and the next exchange is clean
    }

    // Which complete, well-checksummed replies can answer which request.
    void replyMatchesRequest_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<char>("letter");
        QTest::addColumn<uint>("address");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("matches");
        const uint a = 0x00600600;
        QTest::newRow("R word") << stxReply("R4304") << 'R' << a << 2 << true;
        QTest::newRow("R one word too long") << stxReply("R43040019") << 'R' << a << 2 << false;
        QTest::newRow("R one digit short") << stxReply("R430") << 'R' << a << 2 << false;
        QTest::newRow("r reply to R request") << stxReply("r00600600024304") << 'R' << a << 2 << false;
        QTest::newRow("R reply to r request") << stxReply("R4304") << 'r' << a << 2 << false;
        QTest::newRow("r echo and length") << stxReply("r00600600024304") << 'r' << a << 2 << true;
        QTest::newRow("r lower-case echo") << stxReply("r00abcdef024304") << 'r' << 0x00ABCDEFu << 2 << true;
        QTest::newRow("r echo DEADBEEF") << stxReply("rDEADBEEF024304") << 'r' << a << 2 << false;
        QTest::newRow("r echo of another count") << stxReply("r0060060001430400") << 'r' << a << 2 << false;
        QTest::newRow("r data shorter than asked") << stxReply("r006006000243") << 'r' << a << 2 << false;
        QTest::newRow("r data longer than asked") << stxReply("r0060060002430400") << 'r' << a << 2 << false;
        QTest::newRow("refusal: nothing to compare") << bytes("\x15" "0D\r\n") << 'r' << a << 2 << true;
        QTest::newRow("no STX: nothing to compare") << bytes("?0R4304\r\n") << 'R' << a << 2 << true;
    }
    void replyMatchesRequest()
    {
        QFETCH(QByteArray, reply);
        QFETCH(char, letter);
        QFETCH(uint, address);
        QFETCH(int, count);
        QFETCH(bool, matches);
        const auto bytes = std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t *>(reply.constData()),
                                                         static_cast<std::size_t>(reply.size()));
        QCOMPARE(::replyMatchesRequest(bytes, RequestRecord::make(letter, address, static_cast<std::uint8_t>(count))),
                 matches);
    }

    // A well-formed reply of another request is not taken: the read waits for its own and fails
    // as a time-out; the next read resynchronises the line first and reads right.
    void misfittingReplyIsNotTaken_data()
    {
        QTest::addColumn<char>("letter");
        QTest::newRow("block read echoing DEADBEEF") << 'r';
        QTest::newRow("word read one word too long") << 'R';
    }
    void misfittingReplyIsNotTaken()
    {
        QFETCH(char, letter);
        openPort();
        const std::uint32_t a = 0x00600E10;
        sim.writeWord(a, 0x2345);
        QCOMPARE(link.readValue(letter, 2, a), 0x2345); // in step after it, whatever came before
        sim.clearRequestLog();
        QCOMPARE(link.readValue(letter, 2, a), 0x2345);
        QCOMPARE(int(sim.requestLog().size()), 1); // a line in step sends nothing extra
        SimFault echo;
        echo.kind = SimFault::Kind::WrongEcho;
        sim.queueFault(echo);
        QCOMPARE(link.readValue(letter, 2, a), -1);
        QCOMPARE(int(link.replyData()[0]) + int(link.replyData()[1]), 0);
        sim.clearRequestLog();
        QCOMPARE(link.readValue(letter, 2, a), 0x2345);
        const auto log = sim.requestLog();
        QCOMPARE(int(log.size()), 2);
        QCOMPARE(log[0].mid(2, 11), bytes("r00600E1001")); // the resynchronising read
        QCOMPARE(log[1].at(2), letter);
    }

    // Line noise in front of a reply (a lone LF, CR, STX, NAK or any byte) fails that read at
    // once; its real reply, still on the way, must not be taken by the next read of another
    // address, which first brings the line back in step.
    void strayByteNeverMovesAValue_data()
    {
        QTest::addColumn<char>("stray");
        QTest::addColumn<char>("letter");
        QTest::newRow("LF, word reads") << '\n' << 'R';
        QTest::newRow("CR, word reads") << '\r' << 'R';
        QTest::newRow("STX, word reads") << '\x02' << 'R';
        QTest::newRow("NAK, word reads") << '\x15' << 'R';
        QTest::newRow("any byte, word reads") << 'Z' << 'R';
        QTest::newRow("LF, block reads") << '\n' << 'r';
    }
    void strayByteNeverMovesAValue()
    {
        QFETCH(char, stray);
        QFETCH(char, letter);
        openPort();
        const std::uint32_t a = 0x00600E20;
        const std::uint32_t b = 0x00600E30;
        sim.writeWord(a, 0x1111);
        sim.writeWord(b, 0x2222);
        SimFault noise{SimFault::Kind::StrayByte};
        noise.stray = stray;
        noise.delayMs = 60;
        sim.queueFault(noise);
        const int first = link.readValue(letter, 2, a);
        QVERIFY2(first < 0 || first == 0x1111, qPrintable(QString::number(first, 16)));
        sim.clearRequestLog();
        QCOMPARE(link.readValue(letter, 2, b), 0x2222);
        QCOMPARE(link.readValue(letter, 2, a), 0x1111);
        if (first < 0) {
            const auto log = sim.requestLog();
            QCOMPARE(int(log.size()), 3);
            QCOMPARE(log[0].mid(2, 11), bytes("r00600E3001")); // the resynchronising read
        }
    }

    // A controller that answers every fifth request 1.5 s late, and one 2.5 s late, while
    // different addresses are read in turn: every value read is the value of its own address;
    // the others are reported failed.
    void lateRepliesNeverAnswerAnotherRequest()
    {
        openPort();
        constexpr int kAddresses = 6;
        const std::uint32_t base = 0x00600E20;
        for (int i = 0; i < kAddresses; ++i)
            sim.writeWord(base + 2 * i, static_cast<std::uint16_t>(0x1111 * (i + 1)));
        SimFault late;
        late.kind = SimFault::Kind::Late;
        late.delayMs = 1500;
        sim.setFaultEvery(5, late);
        SimFault later = late;
        later.delayMs = 2500;
        sim.queueFault(SimFault{});
        sim.queueFault(SimFault{});
        sim.queueFault(later);

        int right = 0;
        int failed = 0;
        for (int k = 0; k < 24; ++k) {
            const int i = k % kAddresses;
            const char letter = k % 3 == 2 ? 'r' : 'R';
            const int value = link.readValue(letter, 2, base + 2 * i);
            if (value < 0) {
                QCOMPARE(value, -1);
                ++failed;
                continue;
            }
            QVERIFY2(value == 0x1111 * (i + 1),
                     qPrintable(QStringLiteral("read %1 (%2 at %3): %4").arg(k).arg(letter).arg(i).arg(value, 0, 16)));
            ++right;
        }
        QVERIFY2(failed >= 1, "the 2.5 s late reply must have timed out");
        QVERIFY2(right >= 12, qPrintable(QStringLiteral("%1 right, %2 failed").arg(right).arg(failed)));

        // A silent line gets no slower for being out of step: each exchange one reply time.
        sim.clearFaults();
        sim.setFaultForAllRequests(SimFault{SimFault::Kind::Silence});
        for (int k = 0; k < 2; ++k) {
            QElapsedTimer clock;
            clock.start();
            QCOMPARE(link.readValue('R', 2, base), -1);
            QVERIFY2(clock.elapsed() <= 2100, qPrintable(QString::number(clock.elapsed())));
        }
        sim.clearFaults();
        QCOMPARE(link.readValue('R', 2, base), 0x1111);
    }

    // A reply taken must have come in its turn: not sooner than its request and itself take on
    // the wire, nothing more straight behind it. Otherwise the read fails as out of turn, the
    // line is drained and the next exchange resynchronises.
    void replyOutOfTurnIsNoValue_data()
    {
        const QByteArray word = stxReply("R1234");
        const QByteArray block = stxReply("r00600E200212AB");
        QTest::addColumn<char>("letter");
        QTest::addColumn<QList<QByteArray>>("line");
        QTest::addColumn<int>("nanosecondsPerByte");
        QTest::addColumn<int>("result");
        QTest::newRow("word reply alone") << 'R' << QList<QByteArray>{word} << 0 << 0x1234;
        QTest::newRow("word reply in its time on a paced line") << 'R' << QList<QByteArray>{word} << 1 << 0x1234;
        QTest::newRow("block reply alone") << 'r' << QList<QByteArray>{block} << 1 << 0x12AB;
        QTest::newRow("sooner than the wire allows") << 'R' << QList<QByteArray>{word} << 1'000'000'000 << -15;
        QTest::newRow("block reply sooner than the wire allows") << 'r' << QList<QByteArray>{block} << 1'000'000'000 << -15;
        QTest::newRow("the frame twice in one read") << 'R' << QList<QByteArray>{word + word} << 0 << -15;
        QTest::newRow("a byte behind it") << 'R' << QList<QByteArray>{word + "\x02"} << 1 << -15;
        QTest::newRow("bytes in the quiet after it") << 'R' << QList<QByteArray>{word, "\x02" "0R"} << 1 << -15;
        QTest::newRow("block reply, its repeat in the quiet after it")
            << 'r' << QList<QByteArray>{block, block} << 1 << -15;
        QTest::newRow("another reply straight behind, unpaced line")
            << 'R' << QList<QByteArray>{word, stxReply("R5678")} << 0 << -15;
        // A word reply behind another request's block reply may be another late one: no value,
        // and the read ends at once instead of waiting out its reply time.
        QTest::newRow("word reply behind another request's block reply")
            << 'R' << QList<QByteArray>{stxReply("r00600F000212AB"), word} << 1 << -15;
    }
    void replyOutOfTurnIsNoValue()
    {
        QFETCH(char, letter);
        QFETCH(QList<QByteArray>, line);
        QFETCH(int, nanosecondsPerByte);
        QFETCH(int, result);
        ScriptedLine port;
        port.pieces = line;
        port.pace = std::chrono::nanoseconds(nanosecondsPerByte);
        LinkCore core(port);
        QCOMPARE(core.readValue(letter, 2, 0x00600E20), result);
        QCOMPARE(core.outOfStep(), result < 0);
        QVERIFY2(port.pieces.isEmpty(), "the line is drained");
        if (result < 0)
            QCOMPARE(int(core.replyData()[0]) + int(core.replyData()[1]), 0);
        QCOMPARE(linkResultLabel(codeOf(LinkResult::OutOfTurn)), QStringLiteral("-15 out of turn"));
    }

    // A controller at 9600 baud that sends replies twice (30 ms after, at once, or soon enough to
    // fall into the next request's time), or a word reply late and out of order, while the words
    // read change from read to read: every value read is its own read's; the others fail. A
    // repeated block reply echoes its address, so only a read of the same address could take it.
    void repeatedOrOutOfOrderReplyNeverMovesAValue_data()
    {
        QTest::addColumn<char>("letter");
        QTest::addColumn<int>("addresses");
        QTest::addColumn<SimFault::Kind>("kind");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<bool>("costsReads");
        QTest::newRow("word reads, repeated 30 ms after") << 'R' << 6 << SimFault::Kind::Repeated << 30 << true;
        QTest::newRow("word reads, repeated at once") << 'R' << 6 << SimFault::Kind::Repeated << 0 << true;
        QTest::newRow("word reads, repeated 12 ms after") << 'R' << 6 << SimFault::Kind::Repeated << 12 << true;
        QTest::newRow("one word read again, repeated 30 ms after") << 'R' << 1 << SimFault::Kind::Repeated << 30 << true;
        QTest::newRow("block reads, repeated 30 ms after") << 'r' << 6 << SimFault::Kind::Repeated << 30 << false;
        QTest::newRow("one block read again, repeated 30 ms after") << 'r' << 1 << SimFault::Kind::Repeated << 30 << true;
        // The late reply comes behind the resynchronising read's echo: that probe proves nothing
        // and the next one is sent.
        QTest::newRow("word reads, out of order behind the next reply")
            << 'R' << 6 << SimFault::Kind::OutOfOrder << 0 << true;
        QTest::newRow("word reads, out of order 20 ms after the next reply")
            << 'R' << 6 << SimFault::Kind::OutOfOrder << 20 << true;
    }
    void repeatedOrOutOfOrderReplyNeverMovesAValue()
    {
        QFETCH(char, letter);
        QFETCH(int, addresses);
        QFETCH(SimFault::Kind, kind);
        QFETCH(int, delayMs);
        QFETCH(bool, costsReads);
        sim.setBaud(9600);
        openPort();
        const std::uint32_t base = 0x00600E20;
        const auto wordOfRead = [](int k) { return static_cast<std::uint16_t>(0x1111 + 0x0101 * k); };
        SimFault fault{kind};
        fault.delayMs = delayMs;
        // A late reply costs a reply time: once is enough for it.
        if (kind == SimFault::Kind::Repeated)
            sim.setFaultEvery(7, fault);
        else
            sim.queueFault(fault);

        QVector<int> values;
        for (int k = 0; k < 34; ++k) {
            if (k == 28)
                sim.clearFaults();
            const std::uint32_t address = base + 2 * static_cast<std::uint32_t>(k % addresses);
            sim.writeWord(address, wordOfRead(k));
            const int value = link.readValue(letter, 2, address);
            values.append(value);
            QVERIFY2(value < 0 || value == wordOfRead(k),
                     qPrintable(QStringLiteral("read %1: %2; %3").arg(k).arg(value, 0, 16).arg(hex(values))));
            // In step again after the faults: every read right.
            if (k >= 30)
                QVERIFY2(value == wordOfRead(k), qPrintable(hex(values)));
        }
        // The faults cost reads, never a value. Whether a repeat fails its read as out of turn or
        // as a frame cut short by the purge before a request depends on when it comes.
        if (costsReads)
            QVERIFY2(std::any_of(values.begin(), values.end(), [](int v) { return v < 0; }), qPrintable(hex(values)));
    }

    // A controller that takes word reads only refuses every resynchronising block read; after a
    // reply that came too late the link still gets back in step, and no value lands at another
    // address on the way.
    void wordOnlyControllerGetsBackInStep()
    {
        openPort();
        const std::uint32_t base = 0x00600E40;
        for (int i = 0; i < 3; ++i)
            sim.writeWord(base + 2 * i, static_cast<std::uint16_t>(0x2222 * (i + 1)));
        SimFault refuseBlocks;
        refuseBlocks.kind = SimFault::Kind::RefuseBlockReads;
        sim.setFaultForAllRequests(refuseBlocks);
        SimFault late;
        late.kind = SimFault::Kind::Late;
        late.delayMs = 2500;
        sim.queueFault(late);

        QVector<int> values;
        for (int k = 0; k < 9; ++k) {
            const int i = k % 3;
            const int value = link.readValue('R', 2, base + 2 * i);
            QVERIFY2(value == -1 || value == 0x2222 * (i + 1),
                     qPrintable(QStringLiteral("read %1 at %2: %3").arg(k).arg(i).arg(value, 0, 16)));
            values.append(value);
        }
        QCOMPARE(values.first(), -1);
        // In step again within a few exchanges, and staying so.
        QVERIFY2(values.mid(4) == (QVector<int>{0x4444, 0x6666, 0x2222, 0x4444, 0x6666}), qPrintable(hex(values)));
    }

    // A controller refusing every read (a channel whose word it does not give) and late once:
    // after the time-out the line gets back in step, and the reads say refused again, not
    // "no reply" for ever.
    void refusingControllerGetsBackInStep()
    {
        openPort();
        sim.setFaultForAllRequests(SimFault{SimFault::Kind::Nak, 'D'});
        SimFault late;
        late.kind = SimFault::Kind::Late;
        late.delayMs = 2500;
        sim.queueFault(late);
        QVector<int> values;
        for (int k = 0; k < 6; ++k)
            values.append(link.readValue('R', 2, 0x00600E50));
        QCOMPARE(values.first(), -1);
        QVERIFY2(values.mid(3) == (QVector<int>{-3, -3, -3}), qPrintable(hex(values)));
    }

    void chunkedReads()
    {
        openPort();
        ControllerMemory expected = sim.memorySnapshot();
        const std::uint32_t a = 0x00202400;
        ReadBuffer buffer(30000, 0);
        QCOMPARE(link.readBlock('r', 464, a, buffer), 0);
        const auto log = sim.requestLog();
        QCOMPARE(int(log.size()), 2);
        QCOMPARE(log[0].mid(2, 11), bytes("r00202400E8"));
        QCOMPARE(log[1].mid(2, 11), bytes("r002024E8E8"));
        for (int i = 0; i < 464; ++i)
            QCOMPARE(buffer[i], expected.byte(a + i));

        sim.clearRequestLog();
        QCOMPARE(link.readBlock('r', 500, a, buffer), 0);
        QCOMPARE(int(sim.requestLog().size()), 3);
        QCOMPARE(sim.requestLog()[2].mid(2, 11), bytes("r002025D024"));

        sim.clearRequestLog();
        QCOMPARE(link.readBlock('r', 0, a, buffer), 0);
        QCOMPARE(link.readValue('r', 0, a), 0);
        QVERIFY(sim.requestLog().empty());

        // A count that does not fit the buffer is refused before anything is sent.
        ReadBuffer small(100, 0);
        QCOMPARE(link.readBlock('r', 464, a, small), -1);
        QCOMPARE(link.readValue('r', 4001, a), -1);
        QVERIFY(sim.requestLog().empty());

        // A failing second chunk: -1, the first chunk kept.
        std::fill(buffer.begin(), buffer.end(), 0);
        SimFault refuse;
        refuse.kind = SimFault::Kind::Nak;
        refuse.letter = 'D';
        sim.setAddressFault(a + 232, refuse);
        QCOMPARE(link.readBlock('r', 464, a, buffer), -1);
        for (int i = 0; i < 232; ++i)
            QCOMPARE(buffer[i], expected.byte(a + i));
        QCOMPARE(int(buffer[232]) + int(buffer[400]), 0);
        QCOMPARE(link.readValue('r', 2, a + 232), -3);
    }

    void lineGoneAndBack()
    {
        openPort();
        QVERIFY(link.readValue('R', 2, 0x00600600) >= 0);
        sim.closeLine();
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = cpuSeconds();
        QCOMPARE(link.readValue('R', 2, 0x00600600), -1);
        QVERIFY(clock.elapsed() >= 900);
        QVERIFY2(cpuSeconds() - cpuBefore < 0.3, "a pulled line must not spin");
        link.close();
        QString error;
        QVERIFY2(sim.reopenLine(&error), qPrintable(error));
        // The new line may be another pseudo-terminal than the old one (another program may have
        // taken that number meanwhile): COM1 follows it, as a user would point it there.
        port.mapTo(QStringLiteral("COM1"));
        openPort();
        QCOMPARE(link.readValue('R', 2, 0x00600600), 0x4304);
    }

    void replyDeadline_data()
    {
        QTest::addColumn<int>("wallMs");   // milliseconds into the wall clock's second at the request
        QTest::addColumn<int>("waitMs");   // steady milliseconds until the deadline
        QTest::newRow("start of a second: two seconds") << 0 << 2000;
        QTest::newRow("middle of a second") << 500 << 1500;
        QTest::newRow("end of a second: just over one") << 999 << 1001;
    }
    void replyDeadline()
    {
        using namespace std::chrono;
        QFETCH(int, wallMs);
        QFETCH(int, waitMs);
        const auto wall = system_clock::time_point(seconds(1700000000) + milliseconds(wallMs));
        const auto steady = steady_clock::now();
        QCOMPARE(duration_cast<milliseconds>(replyDeadlineAt(wall, steady) - steady).count(), waitMs);
        // The steady deadline does not move whatever the wall clock does afterwards, and is never
        // more than two seconds away.
        QVERIFY(replyDeadlineAt(wall, steady) - steady <= kLongestReplyWait);
        const auto now = steady_clock::now();
        const auto fromNow = replyDeadlineFromNow();
        QVERIFY(fromNow - now > milliseconds(990) && fromNow - now <= milliseconds(2000) + (steady_clock::now() - now));
    }

    void portHeldByAnotherProgram()
    {
        const QString device = sim.slaveDevicePath();
        const QString lockFile = lockFileFor(device);
        QVERIFY(!QFile::exists(lockFile));

        // Our own open writes the lock file with our process number and removes it at close.
        openPort();
        QCOMPARE(testenv::readAll(lockFile), QByteArray::number(::getpid()).rightJustified(10, ' ') + "\n");
        link.close();
        QVERIFY(!QFile::exists(lockFile));

        // A plain open by another program, without lock file or exclusive flag.
        {
            OtherProgram other(QFile::encodeName(device));
            QVERIFY(other.ready());
            QCOMPARE(link.open(PortUser::Tool), -1);
            QCOMPARE(messages, QStringList{kCreateFileError});
            QCOMPARE(details.constLast(), QStringLiteral("%1: busy, held by process %2.").arg(device).arg(other.pid()));
            QVERIFY2(!QFile::exists(lockFile), "a refused open leaves no lock file behind");
        }
        openPort(); // the other program ended: free again
        link.close();

        // A lock file of a running program.
        messages.clear();
        {
            OtherProgram other;
            QVERIFY(other.ready());
            writeLockFile(lockFile, other.pid());
            QCOMPARE(link.open(PortUser::Tool), -1);
            QCOMPARE(messages, QStringList{kCreateFileError});
            QCOMPARE(details.constLast(), QStringLiteral("%1: busy, held by process %2.").arg(device).arg(other.pid()));
            QVERIFY(QFile::exists(lockFile)); // not ours to remove

            // The same program gone: its lock is stale, removed, and the port opens.
            other.end();
            openPort();
            QCOMPARE(readLockPid(QFile::encodeName(lockFile).toStdString()), long(::getpid()));
            link.close();
            QVERIFY(!QFile::exists(lockFile));
        }

        // Where no lock file can be written, the port opens all the same.
        const QByteArray lockDir = qgetenv("QMX_LOCK_DIR");
        qputenv("QMX_LOCK_DIR", "/nonexistent/lock");
        openPort();
        link.close();
        qputenv("QMX_LOCK_DIR", lockDir);
    }

    // What another program (or a crash) may have left in the lock's place, and what the open
    // makes of it. Process 1 always runs; a number beyond pid_max is no process at all.
    void lockFileContents_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("outcome"); // "opens" (stale, replaced), "held" (by process 1), "refused"
        const std::int32_t one = 1;
        const std::uint32_t all = 0xFFFFFFFFu;
        QTest::newRow("ASCII, ten wide") << bytes("         1\n") << "held";
        QTest::newRow("ASCII in four bytes is not binary") << bytes("  1\n") << "held";
        QTest::newRow("ASCII without line feed") << bytes("1") << "held";
        QTest::newRow("ASCII between tab and CR LF") << bytes("\t1\r\n") << "held";
        QTest::newRow("binary") << QByteArray(reinterpret_cast<const char *>(&one), 4) << "held";
        QTest::newRow("binary beyond pid_max") << QByteArray(reinterpret_cast<const char *>(&all), 4) << "opens";
        QTest::newRow("ASCII beyond pid_max") << bytes("4294967295\n") << "opens";
        QTest::newRow("ASCII far beyond any long") << bytes("99999999999999999999999\n") << "opens";
        QTest::newRow("zero") << bytes("         0\n") << "opens";
        QTest::newRow("empty") << QByteArray() << "opens";
        QTest::newRow("blanks only") << bytes("   \n") << "opens";
        QTest::newRow("two numbers") << bytes("1 2\n") << "refused";
        QTest::newRow("number and a name") << bytes("      1234 minicom\n") << "refused";
        QTest::newRow("three letters") << bytes("abc") << "refused";
        QTest::newRow("larger than a lock file") << QByteArray(65, ' ') << "refused";
    }
    void lockFileContents()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, outcome);
        const QString device = sim.slaveDevicePath();
        const QString lockFile = lockFileFor(device);
        {
            QFile file(lockFile);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(file.write(content), content.size());
        }
        SerialPort port;
        const bool opened = port.open(device.toStdString()) == SerialPort::OpenError::None;
        const QString detail = QString::fromStdString(port.failureDetail());
        if (outcome == QLatin1String("opens")) {
            QVERIFY2(opened, qPrintable(detail));
            QCOMPARE(readLockPid(QFile::encodeName(lockFile).toStdString()), long(::getpid()));
            port.close();
            QVERIFY(!QFile::exists(lockFile));
            return;
        }
        QVERIFY(!opened);
        if (outcome == QLatin1String("held"))
            QCOMPARE(detail, QStringLiteral("%1: busy, held by process 1.").arg(device));
        else
            QVERIFY2(detail.contains(lockFile), qPrintable(detail));
        QCOMPARE(testenv::readAll(lockFile), content); // another's lock, or no lock: never ours to remove
        QVERIFY(QFile::remove(lockFile));
    }

    // Things in the lock's place that are no lock file: the open neither blocks on them nor
    // removes them, and says which file is in the way.
    void lockPlaceTakenBySomethingElse_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("link to a device") << "link-device";
        QTest::newRow("link to a good lock file") << "link-file";
        QTest::newRow("dangling link") << "link-dangling";
        QTest::newRow("folder") << "folder";
    }
    void lockPlaceTakenBySomethingElse()
    {
        QFETCH(QString, kind);
        const QString device = sim.slaveDevicePath();
        const QString lockFile = lockFileFor(device);
        const QByteArray lockPath = QFile::encodeName(lockFile);
        QTemporaryDir elsewhere;
        const QByteArray goodLock = QFile::encodeName(elsewhere.filePath(QStringLiteral("lock")));
        if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(lockPath.constData(), 0644), 0);
        } else if (kind == QLatin1String("link-device")) {
            QCOMPARE(::symlink("/dev/zero", lockPath.constData()), 0);
        } else if (kind == QLatin1String("link-file")) {
            QFile file(QFile::decodeName(goodLock));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("         1\n");
            file.close();
            QCOMPARE(::symlink(goodLock.constData(), lockPath.constData()), 0);
        } else if (kind == QLatin1String("link-dangling")) {
            QCOMPARE(::symlink("/nonexistent/LCK", lockPath.constData()), 0);
        } else {
            QCOMPARE(::mkdir(lockPath.constData(), 0755), 0);
        }
        QElapsedTimer clock;
        clock.start();
        SerialPort port;
        QCOMPARE(port.open(device.toStdString()), SerialPort::OpenError::Open);
        QVERIFY(clock.elapsed() < 5000); // a blocking open would never come back at all
        const QString detail = QString::fromStdString(port.failureDetail());
        QVERIFY2(detail.startsWith(device + QStringLiteral(": lock file ") + lockFile), qPrintable(detail));
        struct stat info{};
        QCOMPARE(::lstat(lockPath.constData(), &info), 0); // left where it was
        if (kind == QLatin1String("folder"))
            QCOMPARE(::rmdir(lockPath.constData()), 0);
        else
            QCOMPARE(::unlink(lockPath.constData()), 0);
        QCOMPARE(port.open(device.toStdString()), SerialPort::OpenError::None);
    }

    void openFailureReasons()
    {
        // No such device.
        testenv::usePort(QStringLiteral("COM7"), QStringLiteral("/nonexistent/ttyQMX"));
        QCOMPARE(link.open(PortUser::Tool), -1);
        QCOMPARE(messages, QStringList{kCreateFileError});
        QCOMPARE(details.constLast(), QStringLiteral("/nonexistent/ttyQMX: no such device."));

        // Busy: held by another link of this program.
        port.mapTo(QStringLiteral("COM1"));
        Link other;
        QCOMPARE(other.open(PortUser::Tool), 0);
        QCOMPARE(link.open(PortUser::Tool), -1);
        QCOMPARE(messages.constLast(), kCreateFileError);
        QVERIFY2(details.constLast().endsWith(QStringLiteral(": busy, held by process %1.").arg(::getpid())),
                 qPrintable(details.constLast()));
        other.close();

        // Permission denied, seen by a user who is not root and not in the device's group: a child
        // process that gives up root, or, when the tests already run as a normal user, the device
        // made unreadable to us for the moment.
        const QByteArray device = QFile::encodeName(sim.slaveDevicePath());
        struct stat before{};
        QCOMPARE(::stat(device.constData(), &before), 0);
        const bool root = ::geteuid() == 0;
        if (!root)
            QCOMPARE(::chmod(device.constData(), 0), 0);
        int pipeFds[2];
        QCOMPARE(::pipe(pipeFds), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeFds[0]);
            const gid_t nobody = 65534;
            if (root && (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0))
                ::_exit(2);
            SerialPort port;
            const bool refused = port.open(device.toStdString()) == SerialPort::OpenError::Open;
            const std::string detail = refused ? port.failureDetail() : std::string("opened");
            const ssize_t written = ::write(pipeFds[1], detail.data(), detail.size());
            ::_exit(written == static_cast<ssize_t>(detail.size()) ? 0 : 1);
        }
        ::close(pipeFds[1]);
        QByteArray answer;
        char chunk[256];
        for (ssize_t n; (n = ::read(pipeFds[0], chunk, sizeof chunk)) > 0;)
            answer.append(chunk, n);
        ::close(pipeFds[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!root)
            ::chmod(device.constData(), before.st_mode & 07777);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 2)
            QSKIP("cannot become a user other than root here (setuid to nobody refused)");
        QCOMPARE(answer, device + ": permission denied. Join the dialout group (sudo usermod -a -G dialout $USER) "
                                  "and log in again.");
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
