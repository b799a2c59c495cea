#pragma once
// The read plan of a trend run: the requests one pass sends for the words of its selected
// channels, made once when the run starts. The wire is the limit of a pass (9600 baud, 10 bits a
// byte): an "R" exchange costs 26 bytes, an "r" exchange of c bytes 34 + 2c, so reading a word
// once for all the channels on it, and neighbouring words in one "r" read, buys passes.
// QtCore only: the Trend Graph and qmx-record plan alike.

#include "trend/model/TrendData.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace readplan {

enum class ReadMode {
    PerChannel, // one "R" read per selected channel, in channel order, as trend runs always read
    EachWord,   // one "R" read per distinct word
    Blocks,     // neighbouring words merged into "r" reads where that costs fewer bytes on the wire
};
inline constexpr ReadMode kDefaultReadMode = ReadMode::EachWord;

// "R": a 15-byte request and an 11-byte reply. "r" of c bytes: a 17-byte request and a reply of
// 17 bytes around two hex digits per byte read.
inline constexpr int kWordReadWireBytes = 26;
inline constexpr int kBlockReadFixedWireBytes = 34;
inline constexpr int kBlockReadWireBytesPerByte = 2;
inline constexpr int kLargestBlockRead = 232; // the link's largest single "r" exchange
inline constexpr double kWireBytesPerSecond = 960.0; // 9600 baud, 8N1

// A channel and the byte address of its 16-bit word (high byte first).
struct ChannelWord {
    int channel = 0;
    std::uint32_t address = 0;
    friend bool operator==(const ChannelWord &, const ChannelWord &) = default;
};

struct PlannedRead {
    char letter = 'R';        // 'R': the word at `address`; 'r': `byteCount` bytes from `address`
    std::uint32_t address = 0;
    int byteCount = 2;
    std::vector<ChannelWord> served; // the channels whose values this read carries, in channel order

    int wireBytes() const;
    bool isBlock() const { return letter == 'r'; }
};

struct ReadPlan {
    ReadMode mode = kDefaultReadMode;
    std::vector<PlannedRead> reads;

    int wireBytes() const;
    // Passes per second the wire allows at most; 0 for an empty plan.
    double passLimit() const;
    int blockReads() const;
    int wordReads() const;
};

// The plan for channels in channel order. Every channel is served by exactly one read.
ReadPlan makeReadPlan(const std::vector<ChannelWord> &channels, ReadMode mode);
// The same for a run's selected channels (ascending) and the address of each channel.
ReadPlan makeReadPlan(const std::vector<int> &selected, const std::array<std::uint32_t, kChannels> &addresses,
                      ReadMode mode);

// The plan with its read `index` (a block read the controller would not answer as asked) replaced
// by "R" reads of the words it carried, at the same place in the pass.
ReadPlan withoutBlockRead(const ReadPlan &plan, std::size_t index);

// Where a channel's word begins within a read's data.
inline int wordOffset(const PlannedRead &read, const ChannelWord &channel)
{
    return static_cast<int>(channel.address - read.address);
}

// "plan: 1 block read, 90 bytes/pass, limit 10.7 passes/s"
QString planText(const ReadPlan &plan);

// A block read given up for the rest of a run, and why.
struct BlockReadGivenUp {
    std::uint32_t address = 0;
    int byteCount = 0;
    int code = 0;         // the link result code of the failed read
    bool refused = false; // a refusal (NAK); otherwise a reply of the wrong length or none
    bool unanswered = false; // no reply at all, while the word read of its first word was answered
};
// "block read 00600E60+28 refused (-3): its words read one by one"
QString givenUpText(const BlockReadGivenUp &givenUp);

// The store's value beside "COM" that holds the mode, and its texts ("channel", "word", "block"),
// which are also qmx-record's --reads values.
inline const QString kReadModeValue = QStringLiteral("TrendReads");
QString readModeName(ReadMode mode);
std::optional<ReadMode> parseReadMode(const QString &name);
// The stored mode; the default when none or an unknown one is stored.
ReadMode storedReadMode();
void storeReadMode(ReadMode mode);

} // namespace readplan
