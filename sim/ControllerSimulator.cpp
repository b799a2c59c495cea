#include "sim/ControllerSimulator.h"

#include <QFile>
#include <QFileInfo>
#include <QList>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <optional>
#include <pty.h>
#include <random>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kEnq = 0x05;
constexpr char kStx = 0x02;
constexpr char kNak = 0x15;
constexpr char kCr = 0x0D;
constexpr char kLf = 0x0A;
// The byte that answers a request whose first byte was anything else (ACK).
constexpr char kBadFirstByte = 0x06;
// The byte after STX/NAK, not examined by the program.
constexpr char kStationByte = '0';

// Refusal letters for requests the controller cannot take.
constexpr char kRefuseFormat = 'E';   // frame of the wrong length, without CR, or with non-hex digits
constexpr char kRefuseChecksum = 'S'; // request checksum does not match
constexpr char kRefuseCount = 'O';    // "r" with a byte count of 0 or above one chunk
constexpr char kRefuseCommand = 'X';  // command letter other than "r" and "R"

constexpr int kMaxChunk = 232;
constexpr qsizetype kMaxPending = 4096; // request bytes kept while no LF has come
constexpr std::size_t kMaxLog = 10000;
// The paced writer hands the line this many bytes at a time, each at the moment its last byte
// would have left a real UART.
constexpr qsizetype kPacedChunk = 8;
constexpr int kBitsPerByte = 10; // 8N1: start bit, 8 data bits, stop bit

QByteArray hex(std::uint32_t value, int digits)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(digits, '0');
}

QByteArray checksum(const QByteArray &bytes, qsizetype from, qsizetype to /* exclusive */)
{
    unsigned sum = 0;
    for (qsizetype i = from; i < to; ++i)
        sum += static_cast<unsigned char>(bytes[i]);
    return hex(sum & 0xFF, 2);
}

struct Request {
    char letter = 0;
    std::optional<std::uint32_t> address; // known when the address digits could be read
    int count = 0;                        // "r" only
    char refusal = 0;                     // non-zero: the frame itself is refused with this letter
};

// `frame` starts at ENQ and ends in LF.
Request parseRequest(const QByteArray &frame)
{
    Request request;
    if (frame.size() < 3) {
        request.refusal = kRefuseFormat;
        return request;
    }
    request.letter = frame[2];
    const qsizetype expected = request.letter == 'r' ? 17 : 15;
    if (frame.size() >= 11)
        request.address = ControllerMemory::parseHex(frame.mid(3, 8), 8);
    if (frame.size() != expected || frame[1] != ' ' || frame[expected - 2] != kCr || !request.address) {
        request.refusal = kRefuseFormat;
        return request;
    }
    if (request.letter == 'r') {
        const auto count = ControllerMemory::parseHex(frame.mid(11, 2), 2);
        if (!count) {
            request.refusal = kRefuseFormat;
            return request;
        }
        request.count = static_cast<int>(*count);
    }
    if (frame.mid(expected - 4, 2) != checksum(frame, 2, expected - 4)) {
        request.refusal = kRefuseChecksum;
        return request;
    }
    if (request.letter == 'r' && (request.count < 1 || request.count > kMaxChunk))
        request.refusal = kRefuseCount;
    else if (request.letter != 'r' && request.letter != 'R')
        request.refusal = kRefuseCommand;
    return request;
}

QByteArray nakReply(char letter)
{
    const char frame[] = {kNak, kStationByte, letter, kCr, kLf};
    return QByteArray(frame, sizeof frame);
}

// STX, station byte, letter, body, checksum over letter and body, CR, LF.
QByteArray stxReply(char letter, const QByteArray &body)
{
    const char head[] = {kStx, kStationByte, letter};
    QByteArray reply(head, sizeof head);
    reply += body;
    reply += checksum(reply, 2, reply.size());
    reply += kCr;
    reply += kLf;
    return reply;
}

QByteArray normalReply(const Request &request, const ControllerMemory &memory)
{
    if (request.refusal)
        return nakReply(request.refusal);
    const std::uint32_t address = *request.address;
    if (request.letter == 'R')
        return stxReply('R', hex(memory.word(address), 4));
    // "r": the ten characters after the letter echo the address and count of the request.
    QByteArray body = hex(address, 8) + hex(static_cast<std::uint32_t>(request.count), 2);
    for (int i = 0; i < request.count; ++i)
        body += hex(memory.byte(address + static_cast<std::uint32_t>(i)), 2);
    return stxReply('r', body);
}

bool isStxReply(const QByteArray &reply) { return reply.size() >= 7 && reply[0] == kStx; }

QByteArray shiftedChecksum(QByteArray reply)
{
    if (!isStxReply(reply))
        return reply;
    const auto sum = ControllerMemory::parseHex(reply.mid(reply.size() - 4, 2), 2).value_or(0);
    reply.replace(reply.size() - 4, 2, hex((sum + 1) & 0xFF, 2));
    return reply;
}

// A reply that is well formed and checksummed but answers another request.
QByteArray wrongEchoReply(const Request &request, const ControllerMemory &memory)
{
    if (request.refusal)
        return nakReply(request.refusal);
    if (request.letter == 'R')
        return stxReply('R', hex(memory.word(*request.address), 4) + hex(memory.word(*request.address + 2), 4));
    QByteArray body = hex(0xDEADBEEFu, 8) + hex(static_cast<std::uint32_t>(request.count), 2);
    for (int i = 0; i < request.count; ++i)
        body += hex(memory.byte(*request.address + static_cast<std::uint32_t>(i)), 2);
    return stxReply('r', body);
}

// A well-formed "r" reply with its echo of the request but one data byte fewer than asked.
QByteArray shortBlockReply(const Request &request, const ControllerMemory &memory)
{
    QByteArray body = hex(*request.address, 8) + hex(static_cast<std::uint32_t>(request.count), 2);
    for (int i = 0; i + 1 < request.count; ++i)
        body += hex(memory.byte(*request.address + static_cast<std::uint32_t>(i)), 2);
    return stxReply('r', body);
}

QByteArray lowerCaseChecksum(QByteArray reply)
{
    if (!isStxReply(reply))
        return reply;
    reply.replace(reply.size() - 4, 2, reply.mid(reply.size() - 4, 2).toLower());
    return reply;
}

// Line noise: never LF before the closing CR LF, never STX or NAK in front, so it always reads as
// a reply with a bad first byte.
QByteArray garbageReply(std::mt19937 &random)
{
    std::uniform_int_distribution<int> length(4, 40);
    std::uniform_int_distribution<int> anyByte(0, 255);
    QByteArray reply;
    const int n = length(random);
    while (reply.size() < n) {
        const char c = static_cast<char>(anyByte(random));
        if (c == kLf || (reply.isEmpty() && (c == kStx || c == kNak)))
            continue;
        reply += c;
    }
    reply += kCr;
    reply += kLf;
    return reply;
}

// One stretch of a noisy reply: written `pause` after the previous one ended.
struct NoisySegment {
    std::chrono::milliseconds pause{0};
    QByteArray bytes;
};

char strayByte(std::mt19937 &random)
{
    static constexpr char kLikely[] = {kLf, kCr, kStx, kNak};
    std::uniform_int_distribution<int> pick(0, 4);
    const int k = pick(random);
    if (k < 4)
        return kLikely[k];
    return static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random));
}

// The reply as the noisy line delivers it; counts the stray bytes and stalls it adds.
std::vector<NoisySegment> noisySegments(const QByteArray &reply, const LineNoise &noise, std::mt19937 &random,
                                        std::uint64_t &strays, std::uint64_t &stalls)
{
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    QByteArray bytes = reply;
    std::vector<NoisySegment> segments;
    std::optional<NoisySegment> later;
    if (chance(random) < noise.strayChance) {
        const int n = std::uniform_int_distribution<int>(1, 3)(random);
        for (int k = 0; k < n; ++k) {
            const char stray = strayByte(random);
            ++strays;
            // One in five comes a little after the reply, while the program may be sending its
            // next request; the others before, inside or right after it.
            if (std::uniform_int_distribution<int>(0, 4)(random) == 0) {
                if (!later)
                    later = NoisySegment{std::chrono::milliseconds(std::uniform_int_distribution<int>(1, 200)(random)),
                                         {}};
                later->bytes += stray;
            } else {
                const auto at = std::uniform_int_distribution<qsizetype>(0, bytes.size())(random);
                bytes.insert(at, stray);
            }
        }
    }
    std::vector<qsizetype> cuts;
    if (chance(random) < noise.splitChance && bytes.size() > 1) {
        const int pieces = std::uniform_int_distribution<int>(2, 4)(random);
        for (int k = 1; k < pieces; ++k)
            cuts.push_back(std::uniform_int_distribution<qsizetype>(1, bytes.size() - 1)(random));
        std::sort(cuts.begin(), cuts.end());
    }
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        segments.push_back({std::chrono::milliseconds(segments.empty() ? 0 : std::uniform_int_distribution<int>(1, 20)(random)),
                            bytes.mid(from, cut - from)});
        from = cut;
    }
    segments.push_back({std::chrono::milliseconds(segments.empty() ? 0 : std::uniform_int_distribution<int>(1, 20)(random)),
                        bytes.mid(from)});
    if (chance(random) < noise.stallChance) {
        ++stalls;
        segments.front().pause =
            std::chrono::milliseconds(std::uniform_int_distribution<int>(0, std::max(0, noise.longestStallMs))(random));
    }
    if (later)
        segments.push_back(*later);
    return segments;
}

std::chrono::nanoseconds wireTime(qsizetype bytes, int baud)
{
    if (baud <= 0)
        return std::chrono::nanoseconds{0};
    return std::chrono::nanoseconds{static_cast<std::int64_t>(bytes) * kBitsPerByte * 1'000'000'000LL / baud};
}

void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

struct ControllerSimulator::Impl {
    explicit Impl(ControllerMemory m, std::atomic<std::uint64_t> &servedCounter)
        : memory(std::move(m)), live(memory.isDemoImage()), served(servedCounter)
    {
    }

    // Guards everything below that other threads touch: memory, faults, the log, and the line's
    // descriptors while the serving thread is not running (or is closing them itself).
    mutable std::mutex mutex;
    ControllerMemory memory;
    bool live;
    Clock::time_point demoStart = Clock::now();
    ValueSchedule schedule;
    std::deque<SimFault> queuedFaults;
    std::map<std::uint32_t, SimFault> addressFaults;
    std::optional<SimFault> faultForAll;
    int faultEveryN = 0;
    SimFault faultEvery;
    std::uint64_t requestsSinceEvery = 0;
    std::deque<QByteArray> log;
    QByteArray lastRequest;
    std::mt19937 noise{20240611u};
    LineNoise lineNoise;
    std::mt19937 lineNoiseRandom{1u};
    std::atomic<std::uint64_t> strays{0};
    std::atomic<std::uint64_t> stalls{0};

    std::atomic<int> baud{0};
    std::atomic<std::uint64_t> &served;

    // A frame the controller still owes the line, known to the serving thread alone: a repeat
    // due at a time, or a reply held back until the next reply has gone (then due `delay` after it).
    struct OwedFrame {
        QByteArray bytes;
        std::optional<Clock::time_point> due;
        std::chrono::milliseconds delay{0};
    };
    std::optional<OwedFrame> owed;
    // Set by clearFaults(): the serving thread drops the owed frame before it next writes.
    std::atomic<bool> forgetOwed{false};

    int master = -1;
    int slave = -1; // held open so the master never sees a hang-up when the program closes its side
    QString slavePath;
    QString linkPath;
    int wakeFd = -1;
    std::thread thread;
    std::atomic<bool> stopping{false};
    bool started = false;

    bool openLine(QString *error);
    void closeLineLocked();
    void dropLineLocked();
    bool pointLink(QString *error);
    void startThread();
    void stopThread();

    void serve();
    enum class Outcome { Served, LineClosed, Stopped };
    Outcome handleFrame(const QByteArray &frame, Clock::time_point arrival);
    SimFault takeFault(const Request &request);
    bool waitUntil(Clock::time_point deadline) const;
    bool writeAll(const char *data, qsizetype length) const;
    bool writePaced(const QByteArray &bytes, Clock::time_point start) const;
    bool writeSegments(const std::vector<NoisySegment> &segments, Clock::time_point start) const;
    // Writes `reply` from `replyStart` behind the frame owed to the line: straight after it when
    // the reply could begin by the time it ends, as a controller sends one frame after the other;
    // a reply held back for the next one follows it.
    bool writeReply(const QByteArray &reply, Clock::time_point replyStart);
    // Writes a frame owed at a time, when there is one, before anything else goes out.
    bool writeOwedFrame();
    void applyLineSpeedLocked(int rate);
};

bool ControllerSimulator::Impl::openLine(QString *error)
{
    int m = -1;
    int s = -1;
    if (::openpty(&m, &s, nullptr, nullptr, nullptr) != 0) {
        if (error)
            *error = QStringLiteral("openpty: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // Raw line: no echo of the request back to the program, no CR/LF translation, 8 bits.
    termios settings{};
    ::tcgetattr(s, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(s, TCSANOW, &settings);
    ::fcntl(m, F_SETFD, FD_CLOEXEC);
    ::fcntl(s, F_SETFD, FD_CLOEXEC);
    ::fcntl(m, F_SETFL, ::fcntl(m, F_GETFL) | O_NONBLOCK);
    char name[256] = {};
    if (::ptsname_r(m, name, sizeof name) != 0) {
        if (error)
            *error = QStringLiteral("ptsname: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        ::close(m);
        ::close(s);
        return false;
    }
    master = m;
    slave = s;
    slavePath = QString::fromLocal8Bit(name);
    applyLineSpeedLocked(baud.load());
    return true;
}

// A pseudo-terminal paces nothing itself; its speed tells the program the pace kept here: the
// controller's 9600 baud, or 0 (none) for any other.
void ControllerSimulator::Impl::applyLineSpeedLocked(int rate)
{
    if (slave < 0)
        return;
    termios settings{};
    if (::tcgetattr(slave, &settings) != 0)
        return;
    const speed_t speed = rate == 9600 ? B9600 : B0;
    ::cfsetispeed(&settings, speed);
    ::cfsetospeed(&settings, speed);
    ::tcsetattr(slave, TCSANOW, &settings);
}

void ControllerSimulator::Impl::closeLineLocked()
{
    closeFd(master);
    closeFd(slave);
}

// The line goes away as an unplugged adapter does: the device closed and its name gone, so the
// program can neither reach the old device nor find a stale name pointing at a reused pty.
void ControllerSimulator::Impl::dropLineLocked()
{
    closeLineLocked();
    if (!linkPath.isEmpty())
        ::unlink(QFile::encodeName(linkPath).constData());
}

// Points the link path at the current slave: a new link under a temporary name renamed over the
// old one, so a program opening the path sees either the old device or the new one, never none.
bool ControllerSimulator::Impl::pointLink(QString *error)
{
    if (linkPath.isEmpty())
        return true;
    const QByteArray target = QFile::encodeName(slavePath);
    const QByteArray link = QFile::encodeName(linkPath);
    const QByteArray temporary = link + ".new" + QByteArray::number(::getpid());
    ::unlink(temporary.constData());
    if (::symlink(target.constData(), temporary.constData()) != 0 ||
        ::rename(temporary.constData(), link.constData()) != 0) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(linkPath, QString::fromLocal8Bit(std::strerror(errno)));
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

void ControllerSimulator::Impl::startThread()
{
    stopping = false;
    thread = std::thread([this] { serve(); });
}

void ControllerSimulator::Impl::stopThread()
{
    if (!thread.joinable())
        return;
    stopping = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wakeFd, &one, sizeof one);
    thread.join();
    std::uint64_t drained = 0;
    [[maybe_unused]] const auto read = ::read(wakeFd, &drained, sizeof drained);
    stopping = false;
}

// Waits without spinning; false when the simulator is being stopped meanwhile.
bool ControllerSimulator::Impl::waitUntil(Clock::time_point deadline) const
{
    for (;;) {
        const auto now = Clock::now();
        if (now >= deadline)
            return !stopping;
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - now);
        const timespec timeout{static_cast<time_t>(left.count() / 1'000'000'000),
                               static_cast<long>(left.count() % 1'000'000'000)};
        pollfd wake{wakeFd, POLLIN, 0};
        const int r = ::ppoll(&wake, 1, &timeout, nullptr);
        if (r > 0 || stopping)
            return false;
    }
}

bool ControllerSimulator::Impl::writeAll(const char *data, qsizetype length) const
{
    while (length > 0) {
        const ssize_t n = ::write(master, data, static_cast<size_t>(length));
        if (n > 0) {
            data += n;
            length -= n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        // The program is not reading and the pty's buffer is full: wait for room or for stop.
        pollfd fds[2] = {{master, POLLOUT, 0}, {wakeFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return false;
        if (fds[1].revents || (fds[0].revents & (POLLERR | POLLNVAL)))
            return false;
    }
    return true;
}

// Writes `bytes` as a line at the set baud rate would deliver them, starting at `start`. The due
// times are absolute, so sleeping late on one chunk does not push the rest back.
bool ControllerSimulator::Impl::writePaced(const QByteArray &bytes, Clock::time_point start) const
{
    const int rate = baud.load();
    if (rate <= 0)
        return writeAll(bytes.constData(), bytes.size());
    for (qsizetype offset = 0; offset < bytes.size(); offset += kPacedChunk) {
        const qsizetype length = std::min(kPacedChunk, bytes.size() - offset);
        if (!waitUntil(start + wireTime(offset + length, rate)))
            return false;
        if (!writeAll(bytes.constData() + offset, length))
            return false;
    }
    return true;
}

bool ControllerSimulator::Impl::writeSegments(const std::vector<NoisySegment> &segments, Clock::time_point start) const
{
    Clock::time_point due = start;
    for (const NoisySegment &segment : segments) {
        due += segment.pause;
        if (!waitUntil(due) || !writePaced(segment.bytes, due))
            return false;
        due = std::max(due, Clock::now());
    }
    return true;
}

bool ControllerSimulator::Impl::writeOwedFrame()
{
    if (forgetOwed.exchange(false))
        owed.reset();
    if (!owed || !owed->due)
        return true;
    const Clock::time_point start = std::max(*owed->due, Clock::now());
    const QByteArray bytes = owed->bytes;
    owed.reset();
    return waitUntil(start) && writePaced(bytes, start);
}

bool ControllerSimulator::Impl::writeReply(const QByteArray &reply, Clock::time_point replyStart)
{
    const int rate = baud.load();
    QByteArray bytes = reply;
    Clock::time_point start = replyStart;
    if (forgetOwed.exchange(false))
        owed.reset();
    if (owed && owed->due) {
        const Clock::time_point leadStart = std::max(*owed->due, Clock::now());
        if (replyStart <= leadStart + wireTime(owed->bytes.size(), rate)) {
            bytes.prepend(owed->bytes);
            start = leadStart;
            owed.reset();
        } else if (!writeOwedFrame()) {
            return false;
        }
    }
    const bool heldBack = owed && !owed->due;
    if (heldBack && owed->delay.count() == 0) {
        bytes += owed->bytes;
        owed.reset();
    }
    if (!waitUntil(start) || !writePaced(bytes, start))
        return false;
    if (owed && !owed->due)
        owed->due = Clock::now() + owed->delay;
    return true;
}

SimFault ControllerSimulator::Impl::takeFault(const Request &request)
{
    const bool everyNth = faultEveryN > 0 && ++requestsSinceEvery % static_cast<std::uint64_t>(faultEveryN) == 0;
    if (!queuedFaults.empty()) {
        const SimFault fault = queuedFaults.front();
        queuedFaults.pop_front();
        return fault;
    }
    if (request.address) {
        const auto it = addressFaults.find(*request.address);
        if (it != addressFaults.end())
            return it->second;
    }
    if (everyNth)
        return faultEvery;
    return faultForAll.value_or(SimFault{});
}

ControllerSimulator::Impl::Outcome ControllerSimulator::Impl::handleFrame(const QByteArray &frame,
                                                                          Clock::time_point arrival)
{
    const Request request = parseRequest(frame);
    QByteArray reply;
    SimFault fault;
    std::vector<NoisySegment> noisy;
    {
        std::lock_guard lock(mutex);
        log.push_back(frame);
        if (log.size() > kMaxLog)
            log.pop_front();
        lastRequest = frame;
        if (live) {
            const double seconds = std::chrono::duration<double>(arrival - demoStart).count();
            ControllerMemory::advanceDemo(memory, seconds);
        }
        // Scripted values are laid over the demo's, so a test knows its events exactly.
        if (request.letter == 'R' && request.address && request.refusal == 0)
            schedule.beforeRead(*request.address, arrival - demoStart, memory);
        if (request.letter == 'r' && request.address && request.refusal == 0)
            schedule.beforeBlockRead(*request.address, request.count, arrival - demoStart, memory);
        reply = normalReply(request, memory);
        fault = takeFault(request);
        if (fault.kind == SimFault::Kind::Garbage)
            reply = garbageReply(noise);
        if (fault.kind == SimFault::Kind::WrongEcho)
            reply = wrongEchoReply(request, memory);
        const bool blockRead = !request.refusal && request.letter == 'r';
        if (fault.kind == SimFault::Kind::RefuseBlockReads && blockRead)
            reply = nakReply(fault.letter);
        if (fault.kind == SimFault::Kind::ShortBlockReads && blockRead)
            reply = shortBlockReply(request, memory);
        if (fault.kind == SimFault::Kind::IgnoreBlockReads && blockRead)
            reply.clear();
        if (fault.kind == SimFault::Kind::None && lineNoise.any()) {
            std::uint64_t addedStrays = 0;
            std::uint64_t addedStalls = 0;
            noisy = noisySegments(reply, lineNoise, lineNoiseRandom, addedStrays, addedStalls);
            strays += addedStrays;
            stalls += addedStalls;
        }
    }

    // Counted before any reply byte goes out, so a program that has read its reply (or seen the
    // line close) always finds its request counted.
    ++served;

    // The request's own bytes came through the pty at once; on a real line the reply cannot begin
    // before they have all crossed it.
    const int rate = baud.load();
    const Clock::time_point replyStart = arrival + wireTime(frame.size(), rate);
    if (rate > 0 && !waitUntil(replyStart))
        return Outcome::Stopped;

    bool written = true;
    // Faults that write at a time of their own send an owed frame first.
    const bool atOnce = (fault.kind == SimFault::Kind::None && noisy.empty()) ||
                        fault.kind == SimFault::Kind::Garbage || fault.kind == SimFault::Kind::WrongEcho ||
                        fault.kind == SimFault::Kind::RefuseBlockReads ||
                        fault.kind == SimFault::Kind::ShortBlockReads ||
                        fault.kind == SimFault::Kind::IgnoreBlockReads || fault.kind == SimFault::Kind::Nak ||
                        fault.kind == SimFault::Kind::WrongChecksum ||
                        fault.kind == SimFault::Kind::LowerCaseChecksum ||
                        fault.kind == SimFault::Kind::BadFirstByte || fault.kind == SimFault::Kind::NoLineFeed ||
                        fault.kind == SimFault::Kind::Repeated;
    if (!atOnce && fault.kind != SimFault::Kind::CloseLine && !writeOwedFrame())
        return stopping ? Outcome::Stopped : Outcome::Served;
    switch (fault.kind) {
    case SimFault::Kind::None:
        written = noisy.empty() ? writeReply(reply, replyStart) : writeSegments(noisy, replyStart);
        break;
    case SimFault::Kind::Repeated:
        written = writeReply(reply, replyStart);
        if (written)
            owed = OwedFrame{reply, Clock::now() + std::chrono::milliseconds(std::max(0, fault.delayMs)), {}};
        break;
    case SimFault::Kind::OutOfOrder:
        owed = OwedFrame{reply, std::nullopt, std::chrono::milliseconds(std::max(0, fault.delayMs))};
        break;
    case SimFault::Kind::StrayByte: {
        written = writeAll(&fault.stray, 1);
        if (!written)
            break;
        const Clock::time_point due = replyStart + std::chrono::milliseconds(std::max(0, fault.delayMs));
        if (!waitUntil(due))
            return Outcome::Stopped;
        written = writePaced(reply, due);
        break;
    }
    case SimFault::Kind::Garbage:
    case SimFault::Kind::WrongEcho:
    case SimFault::Kind::RefuseBlockReads:
    case SimFault::Kind::ShortBlockReads:
    case SimFault::Kind::IgnoreBlockReads:
        written = writeReply(reply, replyStart);
        break;
    case SimFault::Kind::Late: {
        const Clock::time_point due = replyStart + std::chrono::milliseconds(std::max(0, fault.delayMs));
        if (!waitUntil(due))
            return Outcome::Stopped;
        written = writePaced(reply, due);
        break;
    }
    case SimFault::Kind::Silence:
        break;
    case SimFault::Kind::Nak:
        written = writeReply(nakReply(fault.letter), replyStart);
        break;
    case SimFault::Kind::WrongChecksum:
        written = writeReply(shiftedChecksum(reply), replyStart);
        break;
    case SimFault::Kind::LowerCaseChecksum:
        written = writeReply(lowerCaseChecksum(reply), replyStart);
        break;
    case SimFault::Kind::BadFirstByte:
        reply[0] = kBadFirstByte;
        written = writeReply(reply, replyStart);
        break;
    case SimFault::Kind::NoLineFeed:
        reply.chop(1);
        written = writeReply(reply, replyStart);
        break;
    case SimFault::Kind::Pieces: {
        const qsizetype pieces = std::clamp<qsizetype>(fault.pieces, 1, reply.size());
        const auto delay = std::chrono::milliseconds(std::max(0, fault.pieceDelayMs));
        Clock::time_point due = Clock::now();
        for (qsizetype k = 0; k < pieces && written; ++k) {
            const qsizetype from = reply.size() * k / pieces;
            const qsizetype to = reply.size() * (k + 1) / pieces;
            if (k > 0) {
                due += delay;
                if (!waitUntil(due))
                    return Outcome::Stopped;
            }
            written = writeAll(reply.constData() + from, to - from);
        }
        break;
    }
    case SimFault::Kind::CloseLine: {
        std::lock_guard lock(mutex);
        dropLineLocked();
        return Outcome::LineClosed;
    }
    }
    if (!written && stopping)
        return Outcome::Stopped;
    return Outcome::Served;
}

void ControllerSimulator::Impl::serve()
{
    // A UART hands over each byte as its stop bit ends. The kernel lets a thread's timed sleeps
    // run up to 50 us late by default, which on every reply would make the line slower than its
    // baud rate; the paced writes ask for the tightest wake-ups instead.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    QByteArray pending;
    char buffer[4096];
    while (!stopping) {
        pollfd fds[2] = {{master, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        // A frame owed at a time goes out then unless a request comes first (which it precedes).
        std::optional<timespec> untilOwed;
        if (forgetOwed.exchange(false))
            owed.reset();
        if (owed && owed->due) {
            const auto left = std::max<Clock::duration>(*owed->due - Clock::now(), Clock::duration::zero());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            untilOwed = timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
        }
        const int r = ::ppoll(fds, 2, untilOwed ? &*untilOwed : nullptr, nullptr);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (r == 0) {
            if (!writeOwedFrame() && stopping)
                return;
            continue;
        }
        const bool readable = fds[0].revents & POLLIN;
        const ssize_t n = readable ? ::read(master, buffer, sizeof buffer) : -1;
        if (n <= 0) {
            if (readable && n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            // A hang-up should not happen while the simulator holds the slave; should it anyway,
            // back off instead of spinning on it.
            if (!waitUntil(Clock::now() + std::chrono::milliseconds(50)))
                return;
            continue;
        }
        pending.append(buffer, n);
        const Clock::time_point arrival = Clock::now();
        for (qsizetype lf = pending.indexOf(kLf); lf >= 0; lf = pending.indexOf(kLf)) {
            const QByteArray line = pending.left(lf + 1);
            pending.remove(0, lf + 1);
            // Whatever came before the request's ENQ is noise left on the line.
            const qsizetype enq = line.lastIndexOf(kEnq);
            if (enq < 0)
                continue;
            const Outcome outcome = handleFrame(line.mid(enq), arrival);
            if (outcome != Outcome::Served)
                return;
        }
        if (pending.size() > kMaxPending) {
            const qsizetype enq = pending.lastIndexOf(kEnq);
            pending = enq >= 0 && pending.size() - enq <= 64 ? pending.mid(enq) : QByteArray();
        }
    }
}

// ---------------------------------------------------------------------------------------------

ControllerSimulator::ControllerSimulator(ControllerMemory memory)
    : d_(std::make_unique<Impl>(std::move(memory), served_))
{
}

ControllerSimulator::~ControllerSimulator() { stop(); }

bool ControllerSimulator::start(QString *error, const QString &linkPath)
{
    if (d_->started) {
        if (error)
            *error = QStringLiteral("the simulator is already running");
        return false;
    }
    if (!linkPath.isEmpty()) {
        // Replace an earlier link of ours, never a file someone else put there.
        const QFileInfo existing(linkPath);
        if (existing.exists() && !existing.isSymLink()) {
            if (error)
                *error = QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath);
            return false;
        }
    }
    d_->wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (d_->wakeFd < 0) {
        if (error)
            *error = QStringLiteral("eventfd: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    {
        std::lock_guard lock(d_->mutex);
        d_->linkPath = linkPath;
        if (!d_->openLine(error) || !d_->pointLink(error)) {
            d_->closeLineLocked();
            closeFd(d_->wakeFd);
            d_->linkPath.clear();
            return false;
        }
        d_->demoStart = Clock::now();
    }
    d_->started = true;
    d_->startThread();
    return true;
}

void ControllerSimulator::stop()
{
    if (!d_->started)
        return;
    d_->stopThread();
    std::lock_guard lock(d_->mutex);
    d_->closeLineLocked();
    closeFd(d_->wakeFd);
    if (!d_->linkPath.isEmpty())
        ::unlink(QFile::encodeName(d_->linkPath).constData());
    d_->linkPath.clear();
    d_->started = false;
}

QString ControllerSimulator::devicePath() const
{
    std::lock_guard lock(d_->mutex);
    return d_->linkPath.isEmpty() ? d_->slavePath : d_->linkPath;
}

QString ControllerSimulator::slaveDevicePath() const
{
    std::lock_guard lock(d_->mutex);
    return d_->slavePath;
}

void ControllerSimulator::setBaud(int baud)
{
    // The program may read the speed while a reply is on its way: it never finds a pace that the
    // replies do not keep (slower is fine, faster is not).
    std::lock_guard lock(d_->mutex);
    const int rate = std::max(0, baud);
    if (rate < d_->baud.load()) {
        d_->applyLineSpeedLocked(rate);
        d_->baud = rate;
    } else {
        d_->baud = rate;
        d_->applyLineSpeedLocked(rate);
    }
}

void ControllerSimulator::addScheduledStep(const ScheduledStep &step)
{
    std::lock_guard lock(d_->mutex);
    d_->schedule.addStep(step);
}

void ControllerSimulator::addScheduledToggle(const ScheduledToggle &toggle)
{
    std::lock_guard lock(d_->mutex);
    d_->schedule.addToggle(toggle);
}

void ControllerSimulator::addScheduledResponse(const ScheduledResponse &response)
{
    std::lock_guard lock(d_->mutex);
    d_->schedule.addResponse(response);
}

std::chrono::steady_clock::time_point ControllerSimulator::scheduleStart() const
{
    std::lock_guard lock(d_->mutex);
    return d_->demoStart;
}

std::uint64_t ControllerSimulator::wordReadsOf(std::uint32_t address) const
{
    std::lock_guard lock(d_->mutex);
    return d_->schedule.readsOf(address);
}

void ControllerSimulator::setLiveDemo(bool on)
{
    std::lock_guard lock(d_->mutex);
    d_->live = on;
}

void ControllerSimulator::queueFault(const SimFault &fault)
{
    std::lock_guard lock(d_->mutex);
    d_->queuedFaults.push_back(fault);
}

void ControllerSimulator::setAddressFault(std::uint32_t address, const SimFault &fault)
{
    std::lock_guard lock(d_->mutex);
    d_->addressFaults[address] = fault;
}

void ControllerSimulator::setFaultForAllRequests(const SimFault &fault)
{
    std::lock_guard lock(d_->mutex);
    d_->faultForAll = fault;
}

void ControllerSimulator::setFaultEvery(int n, const SimFault &fault)
{
    std::lock_guard lock(d_->mutex);
    d_->faultEveryN = std::max(0, n);
    d_->faultEvery = fault;
    d_->requestsSinceEvery = 0;
}

void ControllerSimulator::clearFaults()
{
    std::lock_guard lock(d_->mutex);
    d_->faultEveryN = 0;
    d_->queuedFaults.clear();
    d_->addressFaults.clear();
    d_->faultForAll.reset();
    d_->forgetOwed = true;
}

void ControllerSimulator::setLineNoise(const LineNoise &noise)
{
    std::lock_guard lock(d_->mutex);
    d_->lineNoise = noise;
    d_->lineNoiseRandom.seed(noise.seed);
}

std::uint64_t ControllerSimulator::strayBytesSent() const { return d_->strays.load(); }

std::uint64_t ControllerSimulator::stallsMade() const { return d_->stalls.load(); }

void ControllerSimulator::sendStaleBytes(const QByteArray &bytes)
{
    std::lock_guard lock(d_->mutex);
    if (d_->master >= 0)
        d_->writeAll(bytes.constData(), bytes.size());
}

void ControllerSimulator::closeLine()
{
    if (!d_->started)
        return;
    d_->stopThread();
    std::lock_guard lock(d_->mutex);
    d_->dropLineLocked();
}

bool ControllerSimulator::reopenLine(QString *error)
{
    if (!d_->started) {
        if (error)
            *error = QStringLiteral("the simulator is not running");
        return false;
    }
    d_->stopThread();
    {
        std::lock_guard lock(d_->mutex);
        d_->closeLineLocked();
        if (!d_->openLine(error))
            return false;
        if (!d_->pointLink(error)) {
            d_->closeLineLocked();
            return false;
        }
    }
    d_->startThread();
    return true;
}

void ControllerSimulator::writeWord(std::uint32_t address, std::uint16_t value)
{
    std::lock_guard lock(d_->mutex);
    d_->memory.setWord(address, value);
}

std::uint16_t ControllerSimulator::readWord(std::uint32_t address) const
{
    std::lock_guard lock(d_->mutex);
    return d_->memory.word(address);
}

ControllerMemory ControllerSimulator::memorySnapshot() const
{
    std::lock_guard lock(d_->mutex);
    return d_->memory;
}

QByteArray ControllerSimulator::lastRequest() const
{
    std::lock_guard lock(d_->mutex);
    return d_->lastRequest;
}

std::deque<QByteArray> ControllerSimulator::requestLog() const
{
    std::lock_guard lock(d_->mutex);
    return d_->log;
}

void ControllerSimulator::clearRequestLog()
{
    std::lock_guard lock(d_->mutex);
    d_->log.clear();
    d_->lastRequest.clear();
}
