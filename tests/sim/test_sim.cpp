// The controller simulator as the program meets it: a raw tty opened by path, request frames in,
// reply frames out byte for byte, each fault as it appears on the line, the line going away and
// coming back. The client side uses plain termios, read and poll, not the program's own link.

#include "sim/ControllerSimulator.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

QByteArray hexText(const char *format, unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return QByteArray(text);
}

// Independent of the simulator's own code: low 8 bits of the byte sum in upper-case hex.
QByteArray checksumText(const QByteArray &text)
{
    unsigned sum = 0;
    for (char c : text)
        sum += static_cast<unsigned char>(c);
    return hexText("%02X", sum & 0xFF);
}

QByteArray requestFrame(char letter, std::uint32_t address, int count = -1)
{
    QByteArray body = QByteArray(1, letter) + hexText("%08X", address);
    if (count >= 0)
        body += hexText("%02X", count);
    return "\x05 " + body + checksumText(body) + "\r\n";
}

QByteArray stxReply(const QByteArray &body) { return "\x02" "0" + body + checksumText(body) + "\r\n"; }

QByteArray hexBytes(const ControllerMemory &memory, std::uint32_t address, int count)
{
    QByteArray hex;
    for (int i = 0; i < count; ++i)
        hex += hexText("%02X", memory.byte(address + i));
    return hex;
}

int openClient(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        termios raw{};
        ::tcgetattr(fd, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(fd, TCSANOW, &raw);
    }
    return fd;
}

// Reads until LF or until `timeoutMs` passes without it.
QByteArray readReply(int fd, int timeoutMs = 2000)
{
    QByteArray reply;
    QElapsedTimer clock;
    clock.start();
    while (!reply.endsWith('\n')) {
        const qint64 left = timeoutMs - clock.elapsed();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0 || !(p.revents & POLLIN))
            break;
        char buffer[1024];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        reply.append(buffer, n);
    }
    return reply;
}

// Everything that arrives within `ms`.
QByteArray readFor(int fd, int ms)
{
    QByteArray bytes;
    QElapsedTimer clock;
    clock.start();
    for (qint64 left = ms; left > 0; left = ms - clock.elapsed()) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0 || !(p.revents & POLLIN))
            continue;
        char buffer[1024];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        bytes.append(buffer, n);
    }
    return bytes;
}

double cpuSeconds()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

SimFault fault(SimFault::Kind kind, char letter = 'D')
{
    SimFault fault;
    fault.kind = kind;
    fault.letter = letter;
    return fault;
}

// R4E20 sums to 12D: its checksum has a letter to lower.
constexpr std::uint32_t kFixed4E20 = 0x00600F8E;

} // namespace

class TestSim : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString linkPath;
    std::unique_ptr<ControllerSimulator> sim;
    int fd = -1;

    QByteArray exchange(const QByteArray &request)
    {
        [[maybe_unused]] const auto written = ::write(fd, request.constData(), request.size());
        return readReply(fd);
    }
    void reconnect()
    {
        if (fd >= 0)
            ::close(fd);
        fd = openClient(linkPath);
        QVERIFY2(fd >= 0, std::strerror(errno));
    }

private slots:
    void initTestCase()
    {
        linkPath = dir.filePath(QStringLiteral("ttyQMX"));
        sim = std::make_unique<ControllerSimulator>();
        QString error;
        QVERIFY2(sim->start(&error, linkPath), qPrintable(error));
        QCOMPARE(sim->devicePath(), linkPath);
        QCOMPARE(QFileInfo(linkPath).symLinkTarget(), sim->slaveDevicePath());
        sim->setLiveDemo(false);
        reconnect();
    }
    void cleanupTestCase()
    {
        ::close(fd);
        sim->stop();
        QVERIFY2(!QFileInfo(linkPath).isSymLink(), "stop removes the link");
    }
    void init()
    {
        sim->clearFaults();
        sim->clearRequestLog();
        sim->setBaud(0);
        ::tcflush(fd, TCIOFLUSH);
    }

    // A scheduled word changes whatever form reads it: a word read, a block read holding it, a
    // Monitor-sized block; a block holding only half of it is no read of it.
    void schedulesActOnEveryReadForm()
    {
        constexpr std::uint32_t kStepped = 0x00700010;
        constexpr std::uint32_t kToggled = 0x00700020;
        sim->addScheduledStep({kStepped, 0x1234, std::nullopt, 3});
        sim->addScheduledToggle({kToggled, 0, 1});
        const auto wordIn = [](const QByteArray &reply, std::uint32_t from, std::uint32_t word) {
            // STX '0' 'r' address(8) count(2), then two hex digits a byte.
            return reply.mid(13 + 2 * static_cast<int>(word - from), 4);
        };
        QCOMPARE(wordIn(exchange(requestFrame('r', kStepped, 4)), kStepped, kStepped), QByteArray("0000"));
        QCOMPARE(sim->wordReadsOf(kStepped), quint64(1));
        QCOMPARE(exchange(requestFrame('R', kStepped)), stxReply("R0000"));
        QCOMPARE(sim->wordReadsOf(kStepped), quint64(2));
        // Half the word: not a read of it.
        exchange(requestFrame('r', kStepped + 1, 2));
        exchange(requestFrame('r', kStepped - 1, 2));
        QCOMPARE(sim->wordReadsOf(kStepped), quint64(2));
        // The third read, inside a block: the step is due.
        QCOMPARE(wordIn(exchange(requestFrame('r', kStepped - 2, 6)), kStepped - 2, kStepped), QByteArray("1234"));
        QCOMPARE(sim->wordReadsOf(kStepped), quint64(3));

        // Reads 1, 2, 3 of the toggled word: its bit 0, 1, 0; a full chunk holding both words
        // counts once for each.
        QCOMPARE(wordIn(exchange(requestFrame('r', kToggled, 2)), kToggled, kToggled), QByteArray("0000"));
        QCOMPARE(exchange(requestFrame('R', kToggled)), stxReply("R0001"));
        const std::uint32_t chunkStart = 0x00700000;
        const QByteArray chunk = exchange(requestFrame('r', chunkStart, 232));
        QCOMPARE(wordIn(chunk, chunkStart, kToggled), QByteArray("0000"));
        QCOMPARE(wordIn(chunk, chunkStart, kStepped), QByteArray("1234"));
        QCOMPARE(sim->wordReadsOf(kToggled), quint64(3));
        QCOMPARE(sim->wordReadsOf(kStepped), quint64(4));
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply");
        const ControllerMemory demo = ControllerMemory::demoImage();
        QTest::newRow("R fixed word") << QByteArray("\x05 R00600600DE\r\n") << QByteArray("\x02" "0R43041D\r\n");
        QTest::newRow("R odd address") << requestFrame('R', 0x00600601) << stxReply("R0443");
        QTest::newRow("R unwritten memory") << requestFrame('R', 0x00123456) << stxReply("R0000");
        QTest::newRow("r two bytes") << requestFrame('r', 0x00600600, 2) << stxReply("r006006000243" "04");
        QTest::newRow("r checked words")
            << requestFrame('r', 0x00600F88, 8) << stxReply("r00600F8808" "0000000000004E20");
        QTest::newRow("r full chunk")
            << requestFrame('r', 0x00202400, 232) << stxReply("r00202400E8" + hexBytes(demo, 0x00202400, 232));
    }
    void replies()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        QCOMPARE(exchange(request), reply);
        QCOMPARE(sim->lastRequest(), request);
        QCOMPARE(int(sim->requestLog().size()), 1);
        if (request[2] == 'r') // the ten skipped characters echo the request's address and count
            QCOMPARE(reply.mid(3, 10), request.mid(3, 10));
        if (request.mid(2, 1) == "r")
            QCOMPARE(reply.size(), 17 + 2 * request.mid(11, 2).toInt(nullptr, 16)); // 481 for E8
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<char>("letter");
        QByteArray badSum = requestFrame('R', 0x00600600);
        badSum[11] = 'D';
        badSum[12] = 'F';
        QByteArray lowerSum = requestFrame('R', 0x00600600);
        lowerSum[11] = 'd';
        lowerSum[12] = 'e';
        QTest::newRow("checksum off by one") << badSum << 'S';
        QTest::newRow("checksum in lower case") << lowerSum << 'S';
        QTest::newRow("unknown command W") << requestFrame('W', 0x00600600) << 'X';
        QTest::newRow("r with count 0") << requestFrame('r', 0x00600600, 0) << 'O';
        QTest::newRow("r with count 233") << requestFrame('r', 0x00600600, 233) << 'O';
        QTest::newRow("R carrying a count") << requestFrame('R', 0x00600600, 2) << 'E';
        QTest::newRow("r without count") << requestFrame('r', 0x00600600) << 'E';
        QTest::newRow("no CR") << QByteArray("\x05 R00600600DE\n") << 'E';
        QTest::newRow("address not hex") << QByteArray("\x05 R0060060G") + checksumText("R0060060G") + "\r\n" << 'E';
    }
    void refusals()
    {
        QFETCH(QByteArray, request);
        QFETCH(char, letter);
        QCOMPARE(exchange(request), QByteArray("\x15" "0") + letter + "\r\n");
        QCOMPARE(sim->lastRequest(), request);
    }

    void noiseBeforeTheRequest()
    {
        // Unanswered leftovers, with and without a lead-in of their own, before a proper request.
        const QByteArray request = requestFrame('R', 0x00600614);
        QCOMPARE(exchange("\x02\x15junk\x05 R006" + request), stxReply("R0019"));
        QCOMPARE(sim->lastRequest(), request);
        // A line without any lead-in is not a request: nothing answers it, nothing is logged.
        const std::uint64_t before = sim->requestsServed();
        QCOMPARE(exchange("noise\r\n" + request), stxReply("R0019"));
        QCOMPARE(sim->requestsServed(), before + 1);
        QCOMPARE(int(sim->requestLog().size()), 2);

        sim->sendStaleBytes("\x02" "0R0000C2\r\n");
        QCOMPARE(readReply(fd, 1000), QByteArray("\x02" "0R0000C2\r\n"));
    }

    void faults_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<char>("letter");
        QTest::addColumn<QByteArray>("expected");
        using K = SimFault::Kind;
        QTest::newRow("nak D") << int(K::Nak) << 'D' << QByteArray("\x15" "0D\r\n");
        QTest::newRow("nak z") << int(K::Nak) << 'z' << QByteArray("\x15" "0z\r\n");
        QTest::newRow("wrong checksum") << int(K::WrongChecksum) << 'D' << QByteArray("\x02" "0R4E202E\r\n");
        QTest::newRow("lower-case checksum") << int(K::LowerCaseChecksum) << 'D' << QByteArray("\x02" "0R4E202d\r\n");
        QTest::newRow("bad first byte") << int(K::BadFirstByte) << 'D' << QByteArray("\x06" "0R4E202D\r\n");
        QTest::newRow("no line feed") << int(K::NoLineFeed) << 'D' << QByteArray("\x02" "0R4E202D\r");
        QTest::newRow("silence") << int(K::Silence) << 'D' << QByteArray();
    }
    void faults()
    {
        QFETCH(int, kind);
        QFETCH(char, letter);
        QFETCH(QByteArray, expected);
        QCOMPARE(stxReply("R4E20"), QByteArray("\x02" "0R4E202D\r\n"));
        sim->queueFault(fault(static_cast<SimFault::Kind>(kind), letter));
        const std::uint64_t before = sim->requestsServed();
        const QByteArray request = requestFrame('R', kFixed4E20);
        [[maybe_unused]] const auto written = ::write(fd, request.constData(), request.size());
        QTRY_COMPARE_WITH_TIMEOUT(sim->requestsServed(), before + 1, 2000);
        QCOMPARE(readFor(fd, 150), expected);
        // The fault was for that one request only.
        QCOMPARE(exchange(request), stxReply("R4E20"));
    }

    void garbage()
    {
        sim->setAddressFault(kFixed4E20, fault(SimFault::Kind::Garbage));
        QSet<QByteArray> seen;
        for (int i = 0; i < 5; ++i) {
            const QByteArray reply = exchange(requestFrame('R', kFixed4E20));
            QVERIFY(reply.endsWith("\r\n"));
            QCOMPARE(reply.indexOf('\n'), reply.size() - 1);
            QVERIFY(reply[0] != '\x02' && reply[0] != '\x15');
            seen.insert(reply);
        }
        QVERIFY2(seen.size() > 1, "line noise differs from reply to reply");
    }

    // A stray byte at once and the reply after it; block reads left unanswered while word reads
    // are answered.
    void strayByteAndIgnoredBlockReads()
    {
        SimFault stray = fault(SimFault::Kind::StrayByte);
        stray.delayMs = 100;
        sim->queueFault(stray);
        const QByteArray request = requestFrame('R', kFixed4E20);
        [[maybe_unused]] const auto written = ::write(fd, request.constData(), request.size());
        QCOMPARE(readFor(fd, 50), QByteArray("\n"));
        QCOMPARE(readFor(fd, 200), stxReply("R4E20"));

        sim->setFaultForAllRequests(fault(SimFault::Kind::IgnoreBlockReads));
        const QByteArray block = requestFrame('r', kFixed4E20, 2);
        [[maybe_unused]] const auto blockWritten = ::write(fd, block.constData(), block.size());
        QCOMPARE(readFor(fd, 200), QByteArray());
        QCOMPARE(exchange(request), stxReply("R4E20"));
    }

    // The noise is drawn from its seed: the same seed gives the same bytes. Every reply's bytes
    // still come, in order, among the stray ones; a stall holds the reply back.
    void lineNoise()
    {
        LineNoise noise;
        noise.strayChance = 1;
        noise.splitChance = 1;
        noise.seed = 7;
        const QByteArray request = requestFrame('R', kFixed4E20);
        const auto noisyReplies = [&] {
            sim->setLineNoise(noise);
            QByteArray received;
            for (int i = 0; i < 6; ++i) {
                [[maybe_unused]] const auto written = ::write(fd, request.constData(), request.size());
                received += readFor(fd, 400);
            }
            return received;
        };
        const std::uint64_t straysBefore = sim->strayBytesSent();
        const QByteArray first = noisyReplies();
        const std::uint64_t strays = sim->strayBytesSent() - straysBefore;
        QVERIFY(strays >= 6 && strays <= 18);
        const QByteArray clean = stxReply("R4E20").repeated(6);
        QCOMPARE(first.size(), clean.size() + static_cast<qsizetype>(strays));
        qsizetype at = 0; // the clean bytes are a subsequence of what came
        for (const char c : first)
            if (at < clean.size() && c == clean[at])
                ++at;
        QCOMPARE(at, clean.size());
        QCOMPARE(noisyReplies(), first);

        noise = LineNoise{};
        noise.stallChance = 1;
        noise.longestStallMs = 400;
        sim->setLineNoise(noise);
        const std::uint64_t stallsBefore = sim->stallsMade();
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 4; ++i)
            QCOMPARE(exchange(request), stxReply("R4E20"));
        QCOMPARE(sim->stallsMade(), stallsBefore + 4);
        QVERIFY(clock.elapsed() < 4 * 400 + 500);
        sim->setLineNoise(LineNoise{});
    }

    void faultSelection()
    {
        // Queued faults go to the next requests in order, whatever their address, before any
        // per-address fault; the per-address one stays until cleared.
        sim->setAddressFault(0x00600614, fault(SimFault::Kind::Nak, 'P'));
        sim->queueFault(fault(SimFault::Kind::Nak, 'd'));
        sim->queueFault(fault(SimFault::Kind::Nak, 'E'));
        QCOMPARE(exchange(requestFrame('R', 0x00600614)), QByteArray("\x15" "0d\r\n"));
        QCOMPARE(exchange(requestFrame('R', 0x00600600)), QByteArray("\x15" "0E\r\n"));
        QCOMPARE(exchange(requestFrame('R', 0x00600600)), stxReply("R4304"));
        QCOMPARE(exchange(requestFrame('r', 0x00600614, 2)), QByteArray("\x15" "0P\r\n"));
        QCOMPARE(exchange(requestFrame('R', 0x00600614)), QByteArray("\x15" "0P\r\n"));
        sim->setFaultForAllRequests(fault(SimFault::Kind::Nak, 'Z'));
        QCOMPARE(exchange(requestFrame('R', 0x00600614)), QByteArray("\x15" "0P\r\n"));
        QCOMPARE(exchange(requestFrame('R', 0x00600600)), QByteArray("\x15" "0Z\r\n"));
        sim->clearFaults();
        QCOMPARE(exchange(requestFrame('R', 0x00600614)), stxReply("R0019"));
        QCOMPARE(exchange(requestFrame('R', 0x00600600)), stxReply("R4304"));
    }

    void lateAndMisfittingReplies()
    {
        const ControllerMemory memory = sim->memorySnapshot();
        // A reply of another request: a block read echoing DEADBEEF, a word read one word long.
        sim->queueFault(fault(SimFault::Kind::WrongEcho));
        QCOMPARE(exchange(requestFrame('r', 0x00600600, 2)), stxReply("rDEADBEEF02" + hexBytes(memory, 0x00600600, 2)));
        sim->queueFault(fault(SimFault::Kind::WrongEcho));
        QCOMPARE(exchange(requestFrame('R', kFixed4E20)), stxReply("R4E20" + hexBytes(memory, kFixed4E20 + 2, 2)));

        // A late reply holds up the requests behind it: they are answered after it, in order.
        SimFault late = fault(SimFault::Kind::Late);
        late.delayMs = 300;
        sim->queueFault(late);
        const QByteArray first = requestFrame('R', kFixed4E20);
        const QByteArray second = requestFrame('R', 0x00600600);
        QElapsedTimer clock;
        clock.start();
        [[maybe_unused]] const auto written = ::write(fd, (first + second).constData(), first.size() + second.size());
        QByteArray replies = readReply(fd, 3000);
        QVERIFY2(clock.elapsed() >= 300, "the late reply came early");
        replies += readReply(fd, 3000);
        QCOMPARE(replies, stxReply("R4E20") + stxReply("R4304"));
    }

    void faultOnEveryNthRequest()
    {
        // Counted from the call, every request counts, whatever fault it meets.
        sim->setFaultEvery(3, fault(SimFault::Kind::Nak, 'Q'));
        sim->queueFault(fault(SimFault::Kind::Nak, 'D'));
        const QByteArray nakQ("\x15" "0Q\r\n");
        const QByteArray good = stxReply("R4E20");
        const QByteArray expected[] = {QByteArray("\x15" "0D\r\n"), good, nakQ, good, good, nakQ, good};
        for (const QByteArray &reply : expected)
            QCOMPARE(exchange(requestFrame('R', kFixed4E20)), reply);
        sim->clearFaults();
        for (int i = 0; i < 3; ++i)
            QCOMPARE(exchange(requestFrame('R', kFixed4E20)), good);
    }

    void piecesArriveSeparately()
    {
        SimFault pieces = fault(SimFault::Kind::Pieces);
        pieces.pieces = 3;
        pieces.pieceDelayMs = 120;
        sim->queueFault(pieces);
        const QByteArray request = requestFrame('r', 0x00600600, 8);
        [[maybe_unused]] const auto written = ::write(fd, request.constData(), request.size());
        QList<QByteArray> reads;
        QByteArray whole;
        QElapsedTimer clock;
        while (!whole.endsWith('\n')) {
            pollfd p{fd, POLLIN, 0};
            QVERIFY(::poll(&p, 1, 2000) == 1);
            if (!clock.isValid())
                clock.start();
            char buffer[512];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            QVERIFY(n > 0);
            reads.append(QByteArray(buffer, n));
            whole += reads.last();
        }
        QVERIFY2(clock.elapsed() >= 2 * 120 * 9 / 10, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(reads.size() >= 2);
        QVERIFY(!reads.first().endsWith('\n'));
        QCOMPARE(whole, stxReply("r0060060008" "43044310476047C6"));
    }

    void baudPacing()
    {
        // At 9600 8N1 an exchange takes (request + reply bytes) x 10 / 9600 s at the least.
        sim->setBaud(9600);
        const ControllerMemory demo = ControllerMemory::demoImage();
        const struct {
            QByteArray request;
            QByteArray reply;
        } exchanges[] = {
            {requestFrame('R', 0x00600600), stxReply("R4304")},
            {requestFrame('r', 0x00202500, 232), stxReply("r00202500E8" + hexBytes(demo, 0x00202500, 232))},
        };
        for (const auto &e : exchanges) {
            const qsizetype bytes = e.request.size() + e.reply.size();
            QElapsedTimer clock;
            clock.start();
            QCOMPARE(exchange(e.request), e.reply);
            const double wireMs = bytes * 10 * 1000.0 / 9600;
            QVERIFY2(clock.elapsed() >= 0.9 * wireMs,
                     qPrintable(QStringLiteral("%1 ms for %2 bytes").arg(clock.elapsed()).arg(bytes)));
        }
        sim->setBaud(0);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(exchange(requestFrame('r', 0x00202500, 232)), exchanges[1].reply);
        QVERIFY2(clock.elapsed() < 400, "without a baud rate the reply comes at once");
    }

    // A frame sent twice and a reply out of order, at 9600 baud: the controller sends one frame
    // after the other, so a request that came meanwhile is answered straight after the frame out
    // of turn, in the same stretch of bytes on the line. The pseudo-terminal's speed says the pace.
    void repeatedAndOutOfOrderFrames()
    {
        sim->setBaud(9600);
        termios settings{};
        QVERIFY(::tcgetattr(fd, &settings) == 0);
        QCOMPARE(::cfgetospeed(&settings), speed_t(B9600));
        const QByteArray first = requestFrame('R', kFixed4E20);
        const QByteArray second = requestFrame('R', 0x00600600);
        const QByteArray firstReply = stxReply("R4E20");
        const QByteArray secondReply = stxReply("R4304");
        // Every read of the line until `whole` has come, and whether one held the end of a frame
        // with more bytes behind it.
        const auto readUntil = [this](const QByteArray &whole) {
            QByteArray got;
            bool frameWithMoreBehind = false;
            while (got.size() < whole.size()) {
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 2000) != 1)
                    break;
                char buffer[512];
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                const QByteArray read(buffer, n);
                frameWithMoreBehind = frameWithMoreBehind || (read.contains('\n') && !read.endsWith('\n'));
                got += read;
            }
            return std::make_pair(got, frameWithMoreBehind);
        };

        SimFault repeat = fault(SimFault::Kind::Repeated);
        repeat.delayMs = 60;
        sim->queueFault(repeat);
        QCOMPARE(exchange(first), firstReply);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(readReply(fd), firstReply);
        QVERIFY2(clock.elapsed() >= 60, qPrintable(QString::number(clock.elapsed())));

        sim->queueFault(repeat);
        QCOMPARE(exchange(first), firstReply);
        [[maybe_unused]] auto written = ::write(fd, second.constData(), second.size());
        const auto [repeated, repeatWithMoreBehind] = readUntil(firstReply + secondReply);
        QCOMPARE(repeated, firstReply + secondReply);
        QVERIFY(repeatWithMoreBehind);

        SimFault outOfOrder = fault(SimFault::Kind::OutOfOrder);
        outOfOrder.delayMs = 0;
        sim->queueFault(outOfOrder);
        written = ::write(fd, first.constData(), first.size());
        QCOMPARE(readFor(fd, 150), QByteArray());
        written = ::write(fd, second.constData(), second.size());
        const auto [late, lateWithMoreBehind] = readUntil(secondReply + firstReply);
        QCOMPARE(late, secondReply + firstReply);
        QVERIFY(lateWithMoreBehind);

        sim->setBaud(0);
        QVERIFY(::tcgetattr(fd, &settings) == 0);
        QCOMPARE(::cfgetospeed(&settings), speed_t(B0));
        QCOMPARE(exchange(second), secondReply);
    }

    void programClosesAndReopensItsSide()
    {
        // With the program's side closed the simulator neither dies nor spins on a hang-up.
        ::close(fd);
        fd = -1;
        const double cpuBefore = cpuSeconds();
        QTest::qWait(300);
        QVERIFY2(cpuSeconds() - cpuBefore < 0.1, "idle simulator must not spin");
        reconnect();
        QCOMPARE(exchange(requestFrame('R', 0x00600614)), stxReply("R0019"));
    }

    void lineGoesAwayAndComesBack()
    {
        sim->closeLine();
        pollfd p{fd, POLLIN, 0};
        QCOMPARE(::poll(&p, 1, 1000), 1);
        QVERIFY(p.revents & (POLLHUP | POLLERR));
        char byte;
        errno = 0;
        QVERIFY(::read(fd, &byte, 1) <= 0);
        // As with an unplugged adapter, the device's name is gone until it is back.
        QVERIFY(!QFileInfo(linkPath).isSymLink());
        QVERIFY(!QFileInfo::exists(linkPath));

        QString error;
        QVERIFY2(sim->reopenLine(&error), qPrintable(error));
        QCOMPARE(QFileInfo(linkPath).symLinkTarget(), sim->slaveDevicePath());
        reconnect();
        QCOMPARE(exchange(requestFrame('R', 0x00600600)), stxReply("R4304"));

        // As a fault: the request is taken, and instead of a reply the line is gone.
        sim->queueFault(fault(SimFault::Kind::CloseLine));
        const std::uint64_t before = sim->requestsServed();
        const QByteArray request = requestFrame('R', 0x00600600);
        [[maybe_unused]] const auto written = ::write(fd, request.constData(), request.size());
        p = {fd, POLLIN, 0};
        QCOMPARE(::poll(&p, 1, 2000), 1);
        QVERIFY(p.revents & (POLLHUP | POLLERR));
        QCOMPARE(sim->requestsServed(), before + 1);
        QCOMPARE(sim->lastRequest(), request);
        QVERIFY(!QFileInfo(linkPath).isSymLink());
        QVERIFY(sim->reopenLine(&error));
        reconnect();
        QCOMPARE(exchange(request), stxReply("R4304"));
    }

    void liveDemoValuesMove()
    {
        constexpr std::uint32_t kSpdCmd = 0x00600FA8;
        sim->setLiveDemo(true);
        const QByteArray first = exchange(requestFrame('R', kSpdCmd));
        QTest::qWait(120);
        const QByteArray second = exchange(requestFrame('R', kSpdCmd));
        QVERIFY(first.startsWith("\x02" "0R") && second.startsWith("\x02" "0R"));
        QVERIFY2(first != second, first.constData());
        sim->setLiveDemo(false);
        const QByteArray held = exchange(requestFrame('R', kSpdCmd));
        QTest::qWait(120);
        QCOMPARE(exchange(requestFrame('R', kSpdCmd)), held);
        // Words written by a test are served as written.
        sim->writeWord(0x00600E02, 0xFFFE);
        QCOMPARE(sim->readWord(0x00600E02), std::uint16_t(0xFFFE));
        QCOMPARE(exchange(requestFrame('R', 0x00600E02)), stxReply("RFFFE"));
    }

    void demoImage()
    {
        const ControllerMemory m = ControllerMemory::demoImage();
        QVERIFY(m.isDemoImage());
        const std::uint16_t fixed[] = {0x4304, 0x4310, 0x4760, 0x47C6};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(m.word(0x600600 + 2 * i), fixed[i]);
        const std::uint16_t checked[] = {0, 0, 0, 0x4E20};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(m.word(0x600F88 + 2 * i), checked[i]);
        // The pointer words lead to the outputs the monitor shows indirectly.
        const std::uint32_t pointed[] = {0x600EC0, 0x600EC2, 0x600FA8, 0x600FAA};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(0x5F8000u + 2u * m.word(0x600616 + 2 * i), pointed[i]);
        for (int i = 0; i < 100; ++i) {
            QCOMPARE(m.word(0x202400 + 2 * i), std::uint16_t(3 * i));
            QCOMPARE(m.word(0x202500 + 2 * i), std::uint16_t(0x1000 + i));
        }

        // Walk the super block as the catalogue does: parameter words by type, CONS from the
        // header's top digit, outputs counted per type.
        const QHash<int, QPair<int, int>> types = {{1, {8, 1}},   {2, {18, 2}},  {3, {3, 0}},  {8, {3, 1}},
                                                   {9, {30, 3}},  {14, {2, 1}},  {15, {3, 1}}, {17, {11, 2}},
                                                   {20, {4, 1}},  {22, {2, 1}},  {24, {8, 2}}, {29, {11, 4}},
                                                   {33, {1, 1}}};
        std::uint32_t a = 0x600620;
        QList<int> codes;
        int outputs = 0;
        for (std::uint16_t h = m.word(a); (h & 0xFF) != 0; h = m.word(a)) {
            const int code = h & 0xFF;
            codes.append(code);
            const int params = code == 7 ? h >> 12 : types.value(code).first;
            QVERIFY2(code == 7 || types.contains(code), qPrintable(QString::number(code)));
            outputs += types.value(code).second;
            for (int p = 1; p <= params; ++p)
                QVERIFY2(m.word(a + 2 * p) != 0, "parameter words are non-zero");
            a += 2 * (params + 1);
            QVERIFY(a < 0x600E00);
        }
        QCOMPARE(codes, (QList<int>{1, 2, 7, 8, 14, 15, 24, 1, 17, 29, 9, 22, 20, 33, 3}));
        QCOMPARE(outputs, 21);
        QCOMPARE(a, std::uint32_t(0x600620 + 2 * 129)); // closing zero word is the 130th

        // Live values over time: ramps and sines within their ranges, flag bits switching.
        ControllerMemory live = m;
        std::int16_t lowest = 0, highest = 0, piLowest = 0, piHighest = 0, sineHighest = 0;
        QSet<int> gateBit, cmdBit, flg5Bit;
        for (double t = 0; t < 12.0; t += 0.05) {
            ControllerMemory::advanceDemo(live, t);
            const auto spd = static_cast<std::int16_t>(live.word(0x600FA8));
            const auto pi = static_cast<std::int16_t>(live.word(0x600EC0));
            lowest = std::min(lowest, spd);
            highest = std::max(highest, spd);
            piLowest = std::min(piLowest, pi);
            piHighest = std::max(piHighest, pi);
            sineHighest = std::max(sineHighest, static_cast<std::int16_t>(live.word(0x600F92)));
            const std::uint16_t inv = live.word(0x600F00);
            QCOMPARE(inv & 0x3, 0x3);
            QCOMPARE(live.word(0x600F02) & 0x80, 0x80);
            gateBit.insert(inv >> 7 & 1);
            cmdBit.insert(live.word(0x600F02) & 1);
            flg5Bit.insert(live.word(0x600FCE) & 1);
            QCOMPARE(live.word(0x600600), std::uint16_t(0x4304)); // the fixed words stay put
        }
        QVERIFY(lowest >= 0 && lowest < 500 && highest > 17500 && highest <= 18000);
        QVERIFY(piLowest < -19000 && piHighest > 19000);
        QVERIFY(sineHighest > 14500 && sineHighest <= 15000);
        QCOMPARE(gateBit.size(), 2);
        QCOMPARE(cmdBit.size(), 2);
        QCOMPARE(flg5Bit.size(), 2);
    }

    void loadDataText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("badLine"); // 0: loads
        QTest::newRow("data file, CR LF, later line wins")
            << QByteArray("@600608,1,0000,\r\n@600600,4,4304,4310,4760,47C6,\r\n\r\n@600608,1,8000,\r\n") << 0;
        QTest::newRow("LF only, no final comma") << QByteArray("@600608,1,8000\n@600600,4,4304,4310,4760,47C6") << 0;
        QTest::newRow("no @") << QByteArray("@600608,1,8000,\r\n600600,1,0001,\r\n") << 2;
        QTest::newRow("fewer words than counted") << QByteArray("@600600,4,4304,4310,\r\n") << 1;
        QTest::newRow("more words than counted") << QByteArray("@600600,1,4304,4310,\r\n") << 1;
        QTest::newRow("word not hex") << QByteArray("@600600,1,43G4,\r\n") << 1;
        QTest::newRow("word of five digits") << QByteArray("@600600,1,14304,\r\n") << 1;
        QTest::newRow("empty count") << QByteArray("@600600,,\r\n") << 1;
        QTest::newRow("address only") << QByteArray("@600600\r\n") << 1;
        QTest::newRow("address of nine digits") << QByteArray("@100600600,1,0001,\r\n") << 1;
        QTest::newRow("past the end of memory") << QByteArray("@FFFFFFFE,2,0001,0002,\r\n") << 1;
        QTest::newRow("binary") << QByteArray("@\x01\xff,\x80\r\n", 7) << 1;
    }
    void loadDataText()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, badLine);
        ControllerMemory m;
        m.setWord(0x600608, 0x1234);
        QString error;
        QCOMPARE(m.loadDataText(text, &error), badLine == 0);
        if (badLine == 0) {
            QCOMPARE(m.word(0x600608), std::uint16_t(0x8000));
            QCOMPARE(m.word(0x600606), std::uint16_t(0x47C6));
            QVERIFY(!m.isDemoImage());
        } else {
            QVERIFY2(error.startsWith(QStringLiteral("line %1:").arg(badLine)), qPrintable(error));
            QCOMPARE(m.word(0x600608), std::uint16_t(0x1234)); // a bad file changes nothing
        }
    }

    void loadDataFileMissing()
    {
        ControllerMemory m;
        QString error;
        QVERIFY(!m.loadDataFile(dir.filePath(QStringLiteral("missing.qmx")), &error));
        QVERIFY(error.contains(QStringLiteral("missing.qmx")));
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "test_sim.moc"
