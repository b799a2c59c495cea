#pragma once
// The device link: the one owner of the serial port and its buffers. Every exchange with the
// controller is one ComTransact; memory reads split into exchanges of at most 232 bytes.

#include "link/Frame.h"
#include "link/LinkResult.h"
#include "link/SerialPort.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

// The activities that may hold the port, one at a time.
enum class PortUser { None, DataRead, TrendRun, Monitor, Tool };

// The buffer that block reads fill, provided by the activity that reads.
using ReadBuffer = std::vector<std::uint8_t>;

class Link {
public:
    static constexpr std::size_t kFrameBufferSize = 1200;
    static constexpr std::size_t kReplyDataSize = 1200;
    static constexpr std::size_t kReadRequest = 600;
    static constexpr int kChunk = 232;
    static constexpr std::size_t kValueBufferSize = 4000;
    static constexpr std::size_t kPortNameCapacity = 9; // ComPortName: 9 characters and a zero

    using MessageFunction = std::function<void(const QString &)>;

    Link();

    // Where the port's messages ("CreateFile Error!", ...) go; the program installs its dialogs.
    // Safe to call from any thread: the link thread diverts the messages of an open it performs.
    void setMessageFunction(MessageFunction fn);
    MessageFunction messageFunction() const;

    // Opens the stored port for `user`. 0 when open, -1 on failure (its message shown). Refused
    // with "CreateFile Error!" while another activity holds the port, as a port held by another
    // program would be.
    int ComOpen(PortUser user = PortUser::Tool);
    // Closes the port when `user` holds it (PortUser::None closes it whoever holds it).
    void ComClose(PortUser user = PortUser::None);
    bool isOpen() const { return port_.isOpen(); }
    PortUser holder() const { return holder_; }
    const QString &ComPortName() const { return comPortName_; }

    int ComTransact(const RequestRecord &request);
    // One 16-bit word, high byte first (0..65535), or the failing exchange's negative code.
    int ComReadValue(char letter, std::uint16_t count, std::uint32_t address);
    // Reads `count` bytes into `buffer` from its start. 0, or -1 when any exchange fails or the
    // count does not fit the buffer.
    int ComReadBlock(char letter, std::uint16_t count, std::uint32_t address, ReadBuffer &buffer);

    const QByteArray &LastErrorReply() const { return lastErrorReply_; }
    // The code of the last ComReadBlock's failing exchange (its -1 hides which failure it was),
    // 0 after a block read that succeeded.
    int LastReadResult() const { return lastReadResult_; }
    const std::array<std::uint8_t, kReplyDataSize> &ReplyData() const { return replyData_; }

    // Exchanges made since construction (for benchmarks and traces); readable from any thread.
    quint64 exchangeCount() const { return exchanges_.load(); }
    quint64 bytesOnWire() const { return wireBytes_.load(); }

private:
    void show(const QString &text) const;
    // Reads `count` bytes in exchanges of at most 232 bytes into `destination`: 0, or the first
    // failing exchange's code.
    int ReadChunks(char letter, std::uint16_t count, std::uint32_t address, std::uint8_t *destination);
    int receiveReply(std::chrono::system_clock::time_point deadline, qsizetype &received);

    SerialPort port_;
    PortUser holder_ = PortUser::None;
    QString comPortName_;
    mutable std::mutex messageMutex_;
    MessageFunction message_;
    std::array<std::uint8_t, kFrameBufferSize> frameBuffer_{};
    std::array<std::uint8_t, kReplyDataSize> replyData_{};
    QByteArray lastErrorReply_;
    int lastReadResult_ = 0;
    std::atomic<quint64> exchanges_{0};
    std::atomic<quint64> wireBytes_{0};
};

// Texts of the port's messages.
inline const QString kCreateFileError = QStringLiteral("CreateFile Error!");
inline const QString kGetCommStateError = QStringLiteral("GetCommState Error!");
inline const QString kSetCommStateError = QStringLiteral("SetCommState Error!");
