#pragma once
// The device link: the one owner of the serial port and its buffers. Every exchange with the
// controller is one transact(); memory reads split into exchanges of at most 232 bytes.

#include "link/Frame.h"
#include "link/LinkCore.h"
#include "link/LinkResult.h"
#include "link/LinkTexts.h"
#include "link/SerialPort.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// The activities that may hold the port, one at a time.
enum class PortUser { None, DataRead, TrendRun, Monitor, Tool };

// The buffer that block reads fill, provided by the activity that reads.
using ReadBuffer = std::vector<std::uint8_t>;

class Link {
public:
    static constexpr std::size_t kFrameBufferSize = LinkCore::kFrameBufferSize;
    static constexpr std::size_t kReplyDataSize = LinkCore::kReplyDataSize;
    static constexpr std::size_t kReadRequest = LinkCore::kReadRequest;
    static constexpr int kChunk = LinkCore::kChunk;
    static constexpr std::size_t kValueBufferSize = LinkCore::kValueBufferSize;
    static constexpr std::size_t kPortNameCapacity = 9; // portName(): 9 characters and a zero

    // A message and its detailed text: the device and the system's reason for a port that would
    // not open ("/dev/ttyUSB0: permission denied. ..."); empty when there is nothing to add.
    using MessageFunction = std::function<void(const QString &text, const QString &detail)>;
    using PlainMessageFunction = std::function<void(const QString &text)>;

    Link();

    // Where the port's messages ("CreateFile Error!", ...) go; the program installs its dialogs.
    // Safe to call from any thread: the link thread diverts the messages of an open it performs.
    void setMessageFunction(MessageFunction fn);
    MessageFunction messageFunction() const;
    // For receivers that show the text alone.
    void setMessageFunction(PlainMessageFunction fn);

    // Opens the stored port for `user`. 0 when open, -1 on failure (its message shown). Refused
    // with "CreateFile Error!" while another activity holds the port, as a port held by another
    // program would be.
    int open(PortUser user = PortUser::Tool);
    // The same with a port named by the caller instead of the stored one: "COM1" as open() takes
    // it, or a device path ("/dev/ttyUSB0"), opened as it is (command-line tools).
    int open(PortUser user, const QString &portName);
    // open() whose messages go to `sink` instead of the message function: the link thread opens
    // the port and shows the messages on the window's thread.
    int openReporting(PortUser user, const MessageFunction &sink);
    // Closes the port when `user` holds it (PortUser::None closes it whoever holds it).
    void close(PortUser user = PortUser::None);
    bool isOpen() const { return port_.isOpen(); }
    // Whether the line has gone away under the open port (an unplugged adapter), as opposed to a
    // controller that is silent.
    bool lineGone() const { return port_.lineGone(); }
    // Closes a port whose line has gone, keeping its holder: the run that holds it goes on and
    // opens the same device again when it is back.
    void closeLostLine();
    // Opens the device of the last successful open() again for the holder that keeps it, without
    // any message (the device may not be back yet): 0 when open, -1 otherwise.
    int reopen();
    PortUser holder() const { return holder_; }
    const QString &portName() const { return portName_; }

    int transact(const RequestRecord &request);
    // One 16-bit word, high byte first (0..65535), or the failing exchange's negative code.
    int readValue(char letter, std::uint16_t count, std::uint32_t address);
    // Reads `count` bytes into `buffer` from its start. 0, or -1 when any exchange fails or the
    // count does not fit the buffer.
    int readBlock(char letter, std::uint16_t count, std::uint32_t address, ReadBuffer &buffer);

    const QByteArray &lastErrorReply() const;
    const std::array<std::uint8_t, kReplyDataSize> &replyData() const { return core_.replyData(); }
    // The code of the last readBlock()'s failing exchange (its -1 hides which failure it was), 0
    // after a block read that succeeded.
    int lastReadResult() const { return core_.lastReadResult(); }
    // The last exchange discarded a well-formed reply of its letter but of the wrong length.
    bool lastReplyOfWrongLength() const { return core_.lastReplyOfWrongLength(); }
    // A frame did not answer its request or a time-out happened, and the line is not yet back in step.
    bool outOfStep() const { return core_.outOfStep(); }

    // Exchanges made since construction (for benchmarks and traces).
    quint64 exchangeCount() const { return core_.exchangeCount(); }
    quint64 bytesOnWire() const { return core_.bytesOnWire(); }

private:
    void show(const QString &text, const QString &detail = {}) const;

    SerialPort port_;
    LinkCore core_{port_};
    PortUser holder_ = PortUser::None;
    QString portName_;
    std::string devicePath_; // of the last successful open()
    mutable std::mutex messageMutex_;
    const MessageFunction *openSink_ = nullptr; // only while openReporting() runs, on its thread
    MessageFunction message_;
    // The core's last refusal as a QByteArray, copied when the core has a newer one.
    mutable QByteArray lastErrorReply_;
    mutable std::uint64_t lastErrorCopied_ = 0;
};
