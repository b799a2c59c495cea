#include "recording/DecimalColumn.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace recording {

namespace {

constexpr double kLargestStored = std::numeric_limits<std::int32_t>::max();
// Beyond these a power of ten is no longer a normal double.
constexpr int kMostDecimals = 300;
constexpr int kFewestDecimals = -300;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The most decimals with which `largest` still fits in 32 bits.
int decimalsThatFit(double largest)
{
    if (largest == 0.0)
        return kMostDecimals;
    int decimals = std::clamp(static_cast<int>(std::floor(std::log10(kLargestStored / largest))), kFewestDecimals,
                              kMostDecimals);
    while (decimals > kFewestDecimals && std::round(largest * powerOfTen(decimals)) > kLargestStored)
        --decimals;
    while (decimals < kMostDecimals && std::round(largest * powerOfTen(decimals + 1)) <= kLargestStored)
        ++decimals;
    return decimals;
}

std::int32_t stored(double value, int decimals)
{
    const double scaled = decimals >= 0 ? value * powerOfTen(decimals) : value / powerOfTen(-decimals);
    return static_cast<std::int32_t>(std::clamp(std::round(scaled), -kLargestStored, kLargestStored));
}

} // namespace

std::optional<DecimalCell> parseDecimalCell(QByteArrayView text)
{
    qsizetype i = text.startsWith('-') ? 1 : 0;
    int digits = 0, fractionDigits = 0, trailingZeros = 0;
    bool point = false;
    for (; i < text.size() && (isDigit(text[i]) || (text[i] == '.' && !point)); ++i) {
        if (text[i] == '.') {
            point = true;
            continue;
        }
        ++digits;
        fractionDigits += point;
        trailingZeros = text[i] == '0' ? trailingZeros + 1 : 0;
    }
    if (digits == 0)
        return std::nullopt;
    long exponent = 0;
    if (i < text.size()) {
        if (text[i] != 'e' && text[i] != 'E')
            return std::nullopt;
        qsizetype e = i + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-'))
            ++e;
        if (e == text.size() || text.size() - e > 5)
            return std::nullopt;
        for (qsizetype k = e; k < text.size(); ++k) {
            if (!isDigit(text[k]))
                return std::nullopt;
            exponent = exponent * 10 + (text[k] - '0');
        }
        if (text[i + 1] == '-')
            exponent = -exponent;
    }
    DecimalCell cell;
    const char *end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, cell.value);
    if (error != std::errc() || ptr != end || !std::isfinite(cell.value))
        return std::nullopt;
    cell.decimals = static_cast<int>(std::clamp<long>(fractionDigits - exponent - trailingZeros, -100000, 100000));
    return cell;
}

DecimalColumn::DecimalColumn(RecordingChannel &channel) : channel_(&channel)
{
    for (const std::int32_t value : channel.values)
        largest_ = std::max(largest_, std::abs(channel.numberOf(value)));
    wanted_ = std::max(0, channel.decimals);
}

void DecimalColumn::append(const DecimalCell &cell)
{
    if (cell.value != 0.0)
        wanted_ = std::max(wanted_, cell.decimals);
    largest_ = std::max(largest_, std::abs(cell.value));
    const int fitting = decimalsThatFit(largest_);
    const int decimals = std::clamp(std::min(wanted_, fitting), kFewestDecimals, kMostDecimals);
    // The values so far are exact at the power they are stored at: kept so before any is rounded.
    if (wanted_ > fitting && !channel_->isWide())
        becomeWide();
    if (decimals != channel_->decimals)
        rescale(decimals);
    if (channel_->isWide())
        channel_->exact.push_back(cell.value);
    channel_->append(stored(cell.value, decimals), true);
}

void DecimalColumn::appendFailed()
{
    if (channel_->isWide())
        channel_->exact.push_back(0.0);
    channel_->append(0, false);
}

void DecimalColumn::becomeWide()
{
    channel_->wide = true;
    channel_->exact.reserve(channel_->values.capacity());
    for (const std::int32_t value : channel_->values)
        channel_->exact.push_back(channel_->numberOf(value));
}

void DecimalColumn::rescale(int decimals)
{
    const int change = decimals - channel_->decimals;
    channel_->decimals = decimals;
    if (change > 0) {
        // Only while no number was held back: the values so far are exact and fit at the finer power.
        const double factor = powerOfTen(change);
        for (std::int32_t &value : channel_->values)
            value = static_cast<std::int32_t>(std::clamp(value * factor, -kLargestStored, kLargestStored));
        return;
    }
    if (-change > 18) {
        std::fill(channel_->values.begin(), channel_->values.end(), 0);
        return;
    }
    std::int64_t divisor = 1;
    for (int k = 0; k < -change; ++k)
        divisor *= 10;
    for (std::int32_t &value : channel_->values) {
        const std::int64_t v = value;
        const std::int64_t half = divisor / 2;
        value = static_cast<std::int32_t>(v >= 0 ? (v + half) / divisor : -((-v + half) / divisor));
    }
}

} // namespace recording
