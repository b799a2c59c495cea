#include "link/Link.h"

#include "link/Settings.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcFrames, "qmx.link.frames", QtWarningMsg)

namespace {

QString readableBytes(const std::uint8_t *data, std::size_t n)
{
    QString out;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t c = data[i];
        if (c >= 0x20 && c < 0x7F)
            out += QLatin1Char(static_cast<char>(c));
        else
            out += QStringLiteral("<%1>").arg(c, 2, 16, QLatin1Char('0'));
    }
    return out;
}

} // namespace

Link::Link()
{
    core_.setTrace([](const char *what, const std::uint8_t *bytes, std::size_t n) {
        if (lcFrames().isDebugEnabled())
            qCDebug(lcFrames) << what << readableBytes(bytes, n);
    });
}

void Link::setMessageFunction(MessageFunction fn)
{
    std::lock_guard lock(messageMutex_);
    message_ = std::move(fn);
}

void Link::setMessageFunction(PlainMessageFunction fn)
{
    if (!fn) {
        setMessageFunction(MessageFunction());
        return;
    }
    setMessageFunction(MessageFunction([fn = std::move(fn)](const QString &text, const QString &) { fn(text); }));
}

Link::MessageFunction Link::messageFunction() const
{
    std::lock_guard lock(messageMutex_);
    return message_;
}

int Link::openReporting(PortUser user, const MessageFunction &sink)
{
    openSink_ = &sink;
    const int result = open(user);
    openSink_ = nullptr;
    return result;
}

void Link::show(const QString &text, const QString &detail) const
{
    if (openSink_) {
        (*openSink_)(text, detail);
        return;
    }
    if (const MessageFunction fn = messageFunction())
        fn(text, detail);
}

const QByteArray &Link::lastErrorReply() const
{
    if (lastErrorCopied_ != core_.refusalCount()) {
        lastErrorReply_ = QByteArray::fromStdString(core_.lastErrorReply());
        lastErrorCopied_ = core_.refusalCount();
    }
    return lastErrorReply_;
}

int Link::open(PortUser user)
{
    QString name = chosenPortName();
    if (name.isEmpty())
        name = QStringLiteral("COM1");
    return open(user, name);
}

int Link::open(PortUser user, const QString &portName)
{
    portName_.clear();
    // The port is the activity's alone: a second activity is refused as a port held elsewhere is.
    if (port_.isOpen()) {
        show(kCreateFileError, kPortAlreadyOpen);
        return -1;
    }
    const QString &name = portName;
    // A device given by its path is opened as it is.
    const bool isPath = name.contains(QLatin1Char('/'));
    // The device name has room for nine characters: a longer stored name cannot be opened.
    const QString deviceName = name.size() > 4 ? QStringLiteral("\\\\.\\") + name : name;
    if (!isPath && deviceName.size() > static_cast<qsizetype>(kPortNameCapacity)) {
        show(kCreateFileError, kPortNameTooLong.arg(name));
        return -1;
    }
    portName_ = isPath ? name : deviceName;

    const std::string devicePath = (isPath ? name : devicePathForPort(name)).toLocal8Bit().toStdString();
    const SerialPort::OpenError error = port_.open(devicePath);
    const QString detail = QString::fromLocal8Bit(port_.failureDetail());
    if (error == SerialPort::OpenError::None) {
        holder_ = user;
        devicePath_ = devicePath;
        return 0;
    }
    show(QString::fromLatin1(openErrorMessage(error)), detail);
    port_.close();
    holder_ = PortUser::None;
    return -1;
}

void Link::close(PortUser user)
{
    if (user != PortUser::None && user != holder_)
        return;
    port_.close();
    holder_ = PortUser::None;
}

void Link::closeLostLine() { port_.close(); }

int Link::reopen()
{
    if (port_.isOpen())
        return 0;
    if (holder_ == PortUser::None || devicePath_.empty())
        return -1;
    return port_.open(devicePath_) == SerialPort::OpenError::None ? 0 : -1;
}

int Link::transact(const RequestRecord &request) { return core_.transact(request); }

int Link::readValue(char letter, std::uint16_t count, std::uint32_t address)
{
    return core_.readValue(letter, count, address);
}

int Link::readBlock(char letter, std::uint16_t count, std::uint32_t address, ReadBuffer &buffer)
{
    return core_.readBlock(letter, count, address, buffer);
}
