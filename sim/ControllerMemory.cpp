#include "sim/ControllerMemory.h"

#include <QFile>
#include <QList>
#include <cmath>
#include <numbers>
#include <optional>
#include <utility>
#include <vector>

std::uint8_t ControllerMemory::byte(std::uint32_t address) const { return bytes_.value(address, 0); }

std::uint16_t ControllerMemory::word(std::uint32_t address) const
{
    return static_cast<std::uint16_t>(byte(address) << 8 | byte(address + 1));
}

void ControllerMemory::setByte(std::uint32_t address, std::uint8_t value) { bytes_.insert(address, value); }

void ControllerMemory::setWord(std::uint32_t address, std::uint16_t value)
{
    setByte(address, static_cast<std::uint8_t>(value >> 8));
    setByte(address + 1, static_cast<std::uint8_t>(value & 0xFF));
}

// ---------------------------------------------------------------------------------------------
// Data files: lines "@ADDR,COUNT,WORD,WORD,...," as the super-block data file holds them.

namespace {

struct DataLine {
    std::uint32_t address = 0;
    std::vector<std::uint16_t> words;
};

// Reads one non-empty line; on failure returns nothing and says why in `why`.
std::optional<DataLine> parseDataLine(const QByteArray &line, QString *why)
{
    if (!line.startsWith('@')) {
        *why = QStringLiteral("does not begin with \"@\"");
        return std::nullopt;
    }
    QList<QByteArray> fields = line.mid(1).split(',');
    // The file closes every line with a comma, which leaves one empty field at the end.
    if (fields.size() > 2 && fields.last().isEmpty())
        fields.removeLast();
    if (fields.size() < 2) {
        *why = QStringLiteral("address and word count expected");
        return std::nullopt;
    }
    const auto address = ControllerMemory::parseHex(fields[0].trimmed(), 8);
    if (!address) {
        *why = QStringLiteral("address \"%1\" is not hexadecimal").arg(QString::fromLatin1(fields[0]));
        return std::nullopt;
    }
    const auto count = ControllerMemory::parseHex(fields[1].trimmed(), 4);
    if (!count) {
        *why = QStringLiteral("word count \"%1\" is not hexadecimal").arg(QString::fromLatin1(fields[1]));
        return std::nullopt;
    }
    const qsizetype given = fields.size() - 2;
    if (given != static_cast<qsizetype>(*count)) {
        *why = QStringLiteral("%1 words announced, %2 given").arg(*count).arg(given);
        return std::nullopt;
    }
    if (std::uint64_t{*address} + 2 * std::uint64_t{*count} > 0x100000000ULL) {
        *why = QStringLiteral("words run past the end of the address space");
        return std::nullopt;
    }
    DataLine parsed;
    parsed.address = *address;
    parsed.words.reserve(*count);
    for (qsizetype i = 2; i < fields.size(); ++i) {
        const auto word = ControllerMemory::parseHex(fields[i].trimmed(), 4);
        if (!word) {
            *why = QStringLiteral("word %1 \"%2\" is not hexadecimal").arg(i - 1).arg(QString::fromLatin1(fields[i]));
            return std::nullopt;
        }
        parsed.words.push_back(static_cast<std::uint16_t>(*word));
    }
    return parsed;
}

} // namespace

bool ControllerMemory::loadDataText(const QByteArray &text, QString *error)
{
    // All lines are checked before any word is stored, so a bad file leaves the memory as it was.
    std::vector<DataLine> lines;
    const QList<QByteArray> rawLines = text.split('\n');
    for (qsizetype n = 0; n < rawLines.size(); ++n) {
        QByteArray line = rawLines[n];
        while (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        QString why;
        auto parsed = parseDataLine(line.trimmed(), &why);
        if (!parsed) {
            if (error)
                *error = QStringLiteral("line %1: %2").arg(n + 1).arg(why);
            return false;
        }
        lines.push_back(std::move(*parsed));
    }
    for (const DataLine &line : lines) {
        std::uint32_t address = line.address;
        for (std::uint16_t value : line.words) {
            setWord(address, value);
            address += 2;
        }
    }
    return true;
}

bool ControllerMemory::loadDataFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return loadDataText(file.readAll(), error);
}

// ---------------------------------------------------------------------------------------------
// The demo drive.

namespace {

namespace demo {
constexpr std::uint32_t kFixedWords = 0x600600;
constexpr std::uint32_t kPointerWords = 0x600616;
constexpr std::uint32_t kSuperBlock = 0x600620;
constexpr std::uint32_t kDio = 0x600E00;
constexpr int kDioCount = 22;
constexpr std::uint32_t kMisc = 0x600E60;
constexpr std::uint32_t kMVariables = 0x600E80;
constexpr std::uint32_t kBlockOutputs = 0x600EC0;
constexpr int kBlockOutputCount = 21;
constexpr std::uint32_t kInvFlag = 0x600F00;
constexpr std::uint32_t kCmdFlag = 0x600F02;
constexpr std::uint32_t kCheckedWords = 0x600F88;
constexpr std::uint32_t kAnalogInputs = 0x600F92;
constexpr std::uint32_t kConstants = 0x600FA0;
constexpr std::uint32_t kDriveValues = 0x600FA8;
constexpr std::uint32_t kFlg5 = 0x600FCE;
constexpr std::uint32_t kIndexTimesThreePattern = 0x202400;
constexpr std::uint32_t kIndexPlus1000Pattern = 0x202500;

struct Block {
    std::uint16_t header;
    int parameterWords;
};
// The drive's function-block program, in execution order.
constexpr Block kBlocks[] = {
    {0x0001, 8},  // PI3A
    {0x0002, 18}, // PI2A
    {0x2007, 2},  // CONS, parameter count in the header's top digit
    {0x0008, 3},  // LAG1
    {0x000E, 2},  // ADDR
    {0x000F, 3},  // MULT
    {0x0018, 8},  // DPI3
    {0x0001, 8},  // PI3A
    {0x0011, 11}, // MCAN
    {0x001D, 11}, // DMCN
    {0x0009, 30}, // PI1A
    {0x0016, 2},  // DLRG
    {0x0014, 4},  // PCTQ
    {0x0021, 1},  // DTOS
    {0x0003, 3},  // JMPR
};

// Block outputs, in block order (PI3A11, PI2A11, PI2A12, LAG111, ...).
constexpr std::uint16_t kBlockOutputStart[kBlockOutputCount] = {
    0,      0,      0x0640, 0x0320, 0x1F40, 0x0FA0, 0x0001, 0x86A0, 0x0BB8, 0x0100, 0x0200,
    0x0000, 0x0010, 0x0300, 0x0280, 0x0190, 0x00C8, 0x0064, 0x0E10, 0x0AF0, 0x0400,
};

std::uint16_t asSignedWord(double value)
{
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(value)));
}

double sine(double seconds, double period) { return std::sin(2 * std::numbers::pi * seconds / period); }

// Position within the current period, 0 <= phase < 1.
double phase(double seconds, double period)
{
    const double cycles = seconds / period;
    return cycles - std::floor(cycles);
}

// True during the second half of each period: a bit that toggles every period / 2.
bool toggle(double seconds, double period) { return phase(seconds, period) >= 0.5; }

std::uint16_t withBit(std::uint16_t value, int bit, bool on)
{
    const auto mask = static_cast<std::uint16_t>(1u << bit);
    return on ? static_cast<std::uint16_t>(value | mask) : static_cast<std::uint16_t>(value & ~mask);
}

double speedCommandAt(double seconds) { return 18000.0 * phase(seconds, 5.0); }

} // namespace demo

void writeWords(ControllerMemory &memory, std::uint32_t address, std::initializer_list<std::uint16_t> words)
{
    for (std::uint16_t w : words) {
        memory.setWord(address, w);
        address += 2;
    }
}

} // namespace

ControllerMemory ControllerMemory::demoImage()
{
    using namespace demo;
    ControllerMemory m;
    m.demo_ = true;

    writeWords(m, kFixedWords, {0x4304, 0x4310, 0x4760, 0x47C6});
    writeWords(m, 0x600608, {0x0000});
    writeWords(m, 0x60060A, {0x0001, 0x0002, 0x0003});
    writeWords(m, 0x600614, {0x0019});
    // 5F8000 + 2 * word gives the addresses 600EC0, 600EC2, 600FA8 and 600FAA.
    writeWords(m, kPointerWords, {0x4760, 0x4761, 0x47D4, 0x47D5});

    std::uint32_t address = kSuperBlock;
    int blockNumber = 0;
    for (const Block &block : kBlocks) {
        ++blockNumber;
        m.setWord(address, block.header);
        address += 2;
        for (int p = 1; p <= block.parameterWords; ++p) {
            m.setWord(address, static_cast<std::uint16_t>(blockNumber << 8 | p));
            address += 2;
        }
    }
    m.setWord(address, 0x0000);

    for (int i = 0; i < kDioCount; ++i)
        m.setWord(kDio + 2 * i, static_cast<std::uint16_t>(0x0100 * (i % 4) + 0x0011 * i));
    for (int i = 0; i < 16; ++i)
        m.setWord(kMisc + 2 * i, static_cast<std::uint16_t>(0x1000 + 0x0101 * i));
    for (int i = 0; i < 32; ++i)
        m.setWord(kMVariables + 2 * i, static_cast<std::uint16_t>(10 * (i + 1)));
    for (int i = 0; i < kBlockOutputCount; ++i)
        m.setWord(kBlockOutputs + 2 * i, kBlockOutputStart[i]);

    writeWords(m, kCheckedWords, {0x0000, 0x0000, 0x0000, 0x4E20});
    writeWords(m, kAnalogInputs + 8, {0x0064, 0x00C8});
    writeWords(m, kConstants, {0x0BB8, 0x01F4, 0x2710, 0x0032});
    for (int i = 1; i < 32; ++i)
        m.setWord(kFlg5 + 2 * i, static_cast<std::uint16_t>(0x0100 + i));

    for (int i = 0; i < 100; ++i) {
        m.setWord(kIndexTimesThreePattern + 2 * i, static_cast<std::uint16_t>(i * 3));
        m.setWord(kIndexPlus1000Pattern + 2 * i, static_cast<std::uint16_t>(0x1000 + i));
    }

    advanceDemo(m, 0.0);
    return m;
}

void ControllerMemory::advanceDemo(ControllerMemory &m, double t)
{
    using namespace demo;

    // A few input bits switch as a machine's limit switches and contactors would.
    m.setWord(kDio + 0, withBit(m.word(kDio + 0), 0, toggle(t, 2.0)));
    m.setWord(kDio + 2, withBit(m.word(kDio + 2), 3, toggle(t, 1.0)));
    m.setWord(kDio + 8, withBit(m.word(kDio + 8), 15, toggle(t, 6.0)));

    m.setWord(kMVariables, static_cast<std::uint16_t>(static_cast<std::uint64_t>(t / 2.0) & 0xFFFF));

    m.setWord(kBlockOutputs + 0, asSignedWord(-20000.0 + 40000.0 * phase(t, 8.0))); // PI3A11
    m.setWord(kBlockOutputs + 2, asSignedWord(10000.0 * sine(t, 6.0)));             // PI2A11
    m.setWord(kBlockOutputs + 6, asSignedWord(800.0 + 400.0 * sine(t, 30.0)));      // LAG111
    m.setWord(kBlockOutputs + 16, asSignedWord(3000.0 * phase(t, 60.0)));           // PI3A21

    // InvFlag: RUN command and RUNning held, GATE ON blinking at about 1 s.
    std::uint16_t invFlag = 0x0013;
    m.setWord(kInvFlag, withBit(invFlag, 7, toggle(t, 2.0)));
    // CmdFlag: bit 7 held, bit 0 switching every 2 s.
    m.setWord(kCmdFlag, withBit(0x0080, 0, toggle(t, 4.0)));

    m.setWord(kAnalogInputs + 0, asSignedWord(15000.0 * sine(t, 4.0)));                            // AnTermIn
    m.setWord(kAnalogInputs + 2, asSignedWord(8000.0 * std::cos(2 * std::numbers::pi * t / 4.0))); // AnTermIn2
    m.setWord(kAnalogInputs + 4, asSignedWord(5400.0 + 40.0 * sine(t, 0.35)));                     // DcBusVolt
    m.setWord(kAnalogInputs + 6, asSignedWord(250.0 + 100.0 * phase(t, 600.0)));                   // MotorTemp

    const double speedCommand = speedCommandAt(t);
    m.setWord(kDriveValues + 0, asSignedWord(speedCommand));                                  // SpdCmd
    m.setWord(kDriveValues + 2, asSignedWord(0.98 * speedCommandAt(std::max(0.0, t - 0.3)))); // SpdFbk
    m.setWord(kDriveValues + 4, asSignedWord(500.0 * sine(t, 1.5)));                          // TrqCmd
    m.setWord(kDriveValues + 6, asSignedWord(480.0 * sine(t - 0.05, 1.5)));                   // TrqFbk
    m.setWord(kDriveValues + 8, asSignedWord(1200.0 + 150.0 * std::fabs(sine(t, 1.5))));      // CurFbk

    m.setWord(kFlg5, withBit(0x0040, 0, toggle(t, 1.5)));
}

std::optional<std::uint32_t> ControllerMemory::parseHex(const QByteArray &field, int maxDigits)
{
    if (field.isEmpty() || field.size() > maxDigits)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : field) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}
