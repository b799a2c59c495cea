#include "record/UdpStream.h"

#include "record/JsonFormat.h"
#include "record/RecordTexts.h"

#include <QTimeZone>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace record {

namespace {

// What one datagram holds: 65,535 bytes less the UDP header, and the IPv4 header where it counts
// against the same length (an IPv6 header does not).
constexpr qsizetype kLargestIpv4Datagram = 65507;
constexpr qsizetype kLargestIpv6Datagram = 65527;

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

} // namespace

QString UdpTarget::shownUrl() const
{
    const QString shownHost = host.contains(u':') ? u'[' + host + u']' : host;
    return QStringLiteral("udp://%1:%2").arg(shownHost).arg(port);
}

bool isUdpUrl(const QString &text) { return text.startsWith(QLatin1String("udp://"), Qt::CaseInsensitive); }

std::optional<UdpTarget> parseUdpUrl(const QString &text, QString *error)
{
    const QUrl url(text, QUrl::StrictMode);
    const int port = url.port(-1);
    if (!url.isValid() || url.scheme().compare(QLatin1String("udp"), Qt::CaseInsensitive) != 0 ||
        url.host().isEmpty() || port < 1 || port > 65535 || !url.userInfo().isEmpty() ||
        !(url.path().isEmpty() || url.path() == QLatin1String("/")) || url.hasQuery() || url.hasFragment()) {
        *error = kUdpForm.arg(text);
        return std::nullopt;
    }
    return UdpTarget{url.host(), static_cast<quint16>(port)};
}

qsizetype longestJsonPayload(const QStringList &valueNames)
{
    RecordRow row;
    // A time 10,000 years on still has the same number of digits in "time"; "t" and the counters
    // get their widest texts.
    row.time = QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), QTimeZone::utc());
    row.epochNanoseconds = std::numeric_limits<std::int64_t>::min();
    row.pass = std::numeric_limits<std::uint64_t>::max();
    row.run = std::numeric_limits<std::int64_t>::min();
    // -2.2250738585072014e-308: to_chars' longest shortest text of a double (24 characters), longer
    // than any whole number of 64 bits.
    row.values.assign(static_cast<std::size_t>(valueNames.size()),
                      ChannelValue(-std::numeric_limits<double>::min()));
    return jsonPayload(jsonKeys(valueNames), row, true).size();
}

UdpStream::UdpStream(const UdpTarget &target) : target_(target) {}

UdpStream::~UdpStream()
{
    if (socket_ >= 0)
        ::close(socket_);
}

bool UdpStream::open(const QStringList &valueNames, QString *error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *found = nullptr;
    const QByteArray port = QByteArray::number(target_.port);
    const int resolved = ::getaddrinfo(target_.host.toUtf8().constData(), port.constData(), &hints, &found);
    if (resolved != 0) {
        *error = kUdpHostUnknown.arg(target_.shownUrl(), target_.host,
                                     resolved == EAI_SYSTEM ? systemReason(errno) : QString::fromLocal8Bit(gai_strerror(resolved)));
        return false;
    }
    int lastError = 0;
    for (addrinfo *address = found; address; address = address->ai_next) {
        const int fd = ::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                address->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        // Connected, so that send() needs no address and a refusal from the receiver's host
        // (nothing listening) comes back as an error of a later send.
        if (::connect(fd, address->ai_addr, address->ai_addrlen) == 0) {
            socket_ = fd;
            largestDatagram_ = address->ai_family == AF_INET6 ? kLargestIpv6Datagram : kLargestIpv4Datagram;
            break;
        }
        lastError = errno;
        ::close(fd);
    }
    ::freeaddrinfo(found);
    if (socket_ < 0) {
        *error = kUdpSocket.arg(target_.shownUrl(), systemReason(lastError));
        return false;
    }
    const qsizetype longest = longestJsonPayload(valueNames);
    if (longest > largestDatagram_) {
        *error = kUdpTooLarge.arg(target_.shownUrl()).arg(longest).arg(largestDatagram_);
        ::close(socket_);
        socket_ = -1;
        return false;
    }
    return true;
}

void UdpStream::setLayout(const InfluxSeries &, const QStringList &valueNames) { keys_ = jsonKeys(valueNames); }

void UdpStream::take(const RecordRow &row, bool event)
{
    const QByteArray message = jsonPayload(keys_, row, event);
    // MSG_DONTWAIT as well as the socket's own flag: a pass never waits for the system's buffer.
    const ssize_t written = ::send(socket_, message.constData(), static_cast<std::size_t>(message.size()),
                                   MSG_DONTWAIT | MSG_NOSIGNAL);
    if (written == message.size())
        sent_.fetch_add(1, std::memory_order_relaxed);
    else
        dropped_.fetch_add(1, std::memory_order_relaxed);
}

} // namespace record
