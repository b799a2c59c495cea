#include "link/Link.h"

#include "link/Settings.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <algorithm>
#include <thread>

Q_LOGGING_CATEGORY(lcFrames, "qmx.link.frames", QtWarningMsg)

namespace {

using SystemClock = std::chrono::system_clock;

// The reply deadline: the whole-second clock must pass start + 1, so the wait ends when the
// second start + 2 begins (one to two seconds after the request, depending on where in the second
// it was sent).
SystemClock::time_point ReplyDeadline()
{
    const qint64 start = QDateTime::currentSecsSinceEpoch();
    return SystemClock::time_point(std::chrono::seconds(start + 2));
}

QString Readable(const std::uint8_t *data, qsizetype n)
{
    QString out;
    for (qsizetype i = 0; i < n; ++i) {
        const std::uint8_t c = data[i];
        if (c >= 0x20 && c < 0x7F)
            out += QLatin1Char(static_cast<char>(c));
        else
            out += QStringLiteral("<%1>").arg(c, 2, 16, QLatin1Char('0'));
    }
    return out;
}

} // namespace

Link::Link() = default;

void Link::setMessageFunction(MessageFunction fn)
{
    std::lock_guard lock(messageMutex_);
    message_ = std::move(fn);
}

Link::MessageFunction Link::messageFunction() const
{
    std::lock_guard lock(messageMutex_);
    return message_;
}

void Link::show(const QString &text) const
{
    if (const MessageFunction fn = messageFunction())
        fn(text);
}

int Link::ComOpen(PortUser user)
{
    comPortName_.clear();
    // The port is the activity's alone: a second activity is refused as a port held elsewhere is.
    if (port_.isOpen()) {
        show(kCreateFileError);
        return -1;
    }
    QString name = RegReadString(kPortKey, kPortValue);
    if (name.isEmpty())
        name = QStringLiteral("COM1");
    // The device name has room for nine characters: a longer stored name cannot be opened.
    const QString deviceName = name.size() > 4 ? QStringLiteral("\\\\.\\") + name : name;
    if (deviceName.size() > static_cast<qsizetype>(kPortNameCapacity)) {
        show(kCreateFileError);
        return -1;
    }
    comPortName_ = deviceName;

    switch (port_.open(DevicePathForPort(name))) {
    case SerialPort::OpenError::None:
        holder_ = user;
        return 0;
    case SerialPort::OpenError::Open:
        show(kCreateFileError);
        break;
    case SerialPort::OpenError::GetState:
        show(kGetCommStateError);
        break;
    case SerialPort::OpenError::SetState:
        show(kSetCommStateError);
        break;
    }
    port_.close();
    holder_ = PortUser::None;
    return -1;
}

void Link::ComClose(PortUser user)
{
    if (user != PortUser::None && user != holder_)
        return;
    port_.close();
    holder_ = PortUser::None;
}

int Link::receiveReply(SystemClock::time_point deadline, qsizetype &received)
{
    received = 0;
    for (;;) {
        const qsizetype room = static_cast<qsizetype>(frameBuffer_.size()) - received;
        if (room <= 0)
            return Code(LinkResult::Timeout); // no LF within the receive area: never complete
        const qsizetype n = port_.readAvailable(
            std::span<std::uint8_t>(frameBuffer_.data() + received,
                                    static_cast<std::size_t>(std::min<qsizetype>(room, kReadRequest))));
        if (n < 0) {
            // The line has gone away: it answers as a silent one does, after the reply time.
            std::this_thread::sleep_until(deadline);
            return Code(LinkResult::Timeout);
        }
        received += n;
        if (received > 0 && frameBuffer_[received - 1] == 0x0A)
            return Code(LinkResult::Ok);
        if (!port_.waitForBytes(deadline))
            return Code(LinkResult::Timeout);
    }
}

int Link::ComTransact(const RequestRecord &request)
{
    // Nothing can answer on a port that is not open; there is no reply time to wait out.
    if (!port_.isOpen())
        return Code(LinkResult::Timeout);
    ++exchanges_;
    const auto deadline = ReplyDeadline();
    std::fill_n(frameBuffer_.begin(), 1000, std::uint8_t{0});
    std::fill_n(replyData_.begin(), 1000, std::uint8_t{0});

    const QByteArray frame = BuildRequestFrame(request);
    port_.purge();
    port_.write(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t *>(frame.constData()),
                                              static_cast<std::size_t>(frame.size())));
    wireBytes_ += static_cast<quint64>(frame.size());
    qCDebug(lcFrames) << "sent" << Readable(reinterpret_cast<const std::uint8_t *>(frame.constData()), frame.size());

    std::fill_n(frameBuffer_.begin(), 1000, std::uint8_t{0});
    qsizetype received = 0;
    const int waited = receiveReply(deadline, received);
    wireBytes_ += static_cast<quint64>(received);
    if (waited != Code(LinkResult::Ok)) {
        qCDebug(lcFrames) << "no reply" << Readable(frameBuffer_.data(), received);
        return waited;
    }
    qCDebug(lcFrames) << "received" << Readable(frameBuffer_.data(), received);

    const ReplyOutcome outcome =
        ParseReply(std::span<const std::uint8_t>(frameBuffer_.data(), static_cast<std::size_t>(received)),
                   std::span<std::uint8_t>(replyData_.data(), replyData_.size()));
    if (outcome.nak)
        lastErrorReply_ = QByteArray(reinterpret_cast<const char *>(frameBuffer_.data()), received);
    return outcome.code;
}

int Link::ReadChunks(char letter, std::uint16_t count, std::uint32_t address, std::uint8_t *destination)
{
    int done = 0;
    int chunk = kChunk;
    while (done < count) {
        if (done + chunk >= count)
            chunk = count - done; // the last, shorter chunk
        const int result = ComTransact(RequestRecord::Make(letter, address + static_cast<std::uint32_t>(done),
                                                           static_cast<std::uint8_t>(chunk)));
        if (result != 0)
            return result; // chunks already copied stay
        std::copy_n(replyData_.begin(), chunk, destination + done);
        done += chunk;
    }
    return 0;
}

int Link::ComReadValue(char letter, std::uint16_t count, std::uint32_t address)
{
    if (count > kValueBufferSize)
        return Code(LinkResult::Timeout);
    ReadBuffer buffer(kValueBufferSize, 0);
    const int result = ReadChunks(letter, count, address, buffer.data());
    if (result != 0)
        return result;
    return buffer[0] * 256 + buffer[1];
}

int Link::ComReadBlock(char letter, std::uint16_t count, std::uint32_t address, ReadBuffer &buffer)
{
    // A read that would not fit the caller's buffer is refused before anything is sent.
    if (count > buffer.size()) {
        lastReadResult_ = Code(LinkResult::Timeout);
        return -1;
    }
    lastReadResult_ = ReadChunks(letter, count, address, buffer.data());
    return lastReadResult_ == 0 ? 0 : -1;
}
