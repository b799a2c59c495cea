// Arbitrary bytes as math channels: the first line a definition over three channels, the bytes
// after it the rows. A definition refused names a position inside it and leaves the set as it was;
// one taken evaluates every row to a finite number or an empty cell, and gives the same results
// again after reset() and in a second set made from the same definition (its state is the rows it
// saw, nothing else).

#include "engineering/MathChannelSet.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

std::vector<MathInput> inputs()
{
    return {{QStringLiteral("SpdRef"), 0x600E60u}, {QStringLiteral("SpdFbk"), 0x600E62u},
            {QStringLiteral("InvFlag.07"), 0x600F00u}};
}

std::vector<std::optional<double>> evaluateRows(MathChannelSet &set, const std::uint8_t *bytes, std::size_t size)
{
    std::vector<std::optional<double>> results;
    // Each row: 2 bytes of time step, 3 x 2 bytes of values, 1 byte of failed flags.
    constexpr std::size_t kRowBytes = 9;
    double seconds = 0;
    for (std::size_t at = 0; at + kRowBytes <= size && results.size() < 2000; at += kRowBytes) {
        const std::uint8_t *row = bytes + at;
        seconds += ((row[0] << 8) | row[1]) / 1000.0;
        double values[3];
        bool failed[3];
        for (int i = 0; i < 3; ++i) {
            values[i] = static_cast<std::int16_t>((row[2 + 2 * i] << 8) | row[3 + 2 * i]);
            failed[i] = (row[8] >> i) & 1;
        }
        const auto rowResults = set.evaluate(seconds, values, failed);
        results.push_back(rowResults[0]);
    }
    return results;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const void *newline = std::memchr(bytes, '\n', size);
    const std::size_t definitionSize =
        newline ? static_cast<std::size_t>(static_cast<const std::uint8_t *>(newline) - bytes) : size;
    const QString definition =
        QString::fromLatin1(reinterpret_cast<const char *>(bytes), static_cast<qsizetype>(definitionSize));
    const std::uint8_t *rows = newline ? bytes + definitionSize + 1 : bytes + size;
    const std::size_t rowsSize = size - static_cast<std::size_t>(rows - bytes);

    MathChannelSet set(inputs());
    MathFault fault;
    if (!set.add(definition, &fault)) {
        if (fault.position < 0 || fault.position > definition.size() || fault.message.isEmpty() || set.size() != 0)
            std::abort();
        return 0;
    }
    if (set.size() != 1)
        std::abort();
    for (int input : set.inputsUsed()) {
        if (input < 0 || input >= 3)
            std::abort();
    }
    const std::vector<std::optional<double>> first = evaluateRows(set, rows, rowsSize);
    for (const std::optional<double> &result : first) {
        if (result && !std::isfinite(*result))
            std::abort();
    }
    set.reset();
    MathChannelSet other(inputs());
    if (!other.add(definition, &fault))
        std::abort();
    const std::vector<std::optional<double>> afterReset = evaluateRows(set, rows, rowsSize);
    const std::vector<std::optional<double>> fresh = evaluateRows(other, rows, rowsSize);
    for (std::size_t i = 0; i < first.size(); ++i) {
        const auto same = [&](const std::optional<double> &a) {
            return a.has_value() == first[i].has_value() && (!a || std::memcmp(&*a, &*first[i], sizeof(double)) == 0);
        };
        if (!same(afterReset[i]) || !same(fresh[i]))
            std::abort();
    }
    return 0;
}
