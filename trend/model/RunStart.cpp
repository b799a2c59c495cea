#include "trend/model/RunStart.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "trend/model/Presets.h"

namespace runstart {

bool fullScaleTextPasses(const QString &text)
{
    if (text.isEmpty())
        return false;
    const QString head = text.left(10);
    for (QChar c : head) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

QString removeSpaces(const QString &text)
{
    QString out = text;
    out.remove(u' ');
    return out;
}

QString lookUpName(const QStringList &variableList, const QString &name)
{
    for (const QString &entry : variableList) {
        if (entry == u"END")
            break;
        if (entry.size() >= 9 && entry.mid(9) == name)
            return entry.left(8);
    }
    return {};
}

bool isUpperHex(const QString &text)
{
    for (QChar c : text) {
        const bool digit = c >= u'0' && c <= u'9';
        const bool letter = c >= u'A' && c <= u'F';
        if (!digit && !letter)
            return false;
    }
    return true;
}

Resolution resolveAddresses(const std::array<ChannelRecord, kChannels> &channels, const QStringList &variableList)
{
    Resolution result;
    for (int c = 0; c < kChannels; ++c) {
        const ChannelRecord &r = channels[c];
        if (!r.selected)
            continue;
        if (r.addressKind == AddressKind::Name) {
            result.addressText[c] = lookUpName(variableList, r.addressOrName);
            if (result.addressText[c].isEmpty())
                ++result.errorCount;
        } else if (!isUpperHex(r.addressOrName)) {
            ++result.errorCount;
        } else {
            result.addressText[c] = r.addressOrName;
        }
        if (r.addressOrName.isEmpty())
            ++result.errorCount;
    }
    return result;
}

namespace {

// Edits (insert, delete, replace) from one text to the other, letters compared in either case.
int editDistance(const QString &a, const QString &b)
{
    std::vector<int> row(static_cast<std::size_t>(b.size()) + 1);
    for (std::size_t j = 0; j < row.size(); ++j)
        row[j] = static_cast<int>(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[static_cast<std::size_t>(j)];
            const bool same = a[i - 1].toCaseFolded() == b[j - 1].toCaseFolded();
            row[static_cast<std::size_t>(j)] =
                std::min({above + 1, row[static_cast<std::size_t>(j - 1)] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

} // namespace

QStringList closestNames(const QStringList &variableList, const QString &name, int most)
{
    const int allowed = std::max<int>(1, static_cast<int>(name.size()) / 3);
    std::vector<std::pair<int, QString>> near;
    for (const QString &entry : variableList) {
        if (entry == u"END")
            break;
        const QString candidate = entry.mid(9);
        if (candidate.isEmpty() || candidate == name)
            continue;
        const int distance = editDistance(name, candidate);
        if (distance <= allowed && std::none_of(near.begin(), near.end(), [&](const auto &n) { return n.second == candidate; }))
            near.emplace_back(distance, candidate);
    }
    std::stable_sort(near.begin(), near.end(), [](const auto &x, const auto &y) { return x.first < y.first; });
    QStringList names;
    for (std::size_t i = 0; i < near.size() && names.size() < most; ++i)
        names << near[i].second;
    return names;
}

std::uint32_t addressFromText(const QString &text)
{
    const QString head = text.left(8);
    qsizetype pos = 0;
    while (pos < head.size() && head[pos].isSpace())
        ++pos;
    std::uint32_t value = 0;
    for (; pos < head.size(); ++pos) {
        const char16_t c = head[pos].unicode();
        std::uint32_t digit = 0;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else
            break;
        value = value * 16 + digit;
    }
    return value;
}

std::int32_t bitMask(std::int32_t bit)
{
    std::uint32_t mask = 1;
    for (std::int32_t i = 0; i < bit && mask != 0; ++i)
        mask <<= 1;
    return static_cast<std::int32_t>(mask);
}

ScaleProblem checkScales(const std::array<ChannelRecord, kChannels> &channels)
{
    for (int c = 0; c < kChannels; ++c) {
        if (!channels[c].selected)
            continue;
        const std::optional<std::int32_t> n = presets::parseDecimal(channels[c].fullScale);
        if (c < kAnalogChannels) {
            if (!n)
                return ScaleProblem::BadFullScale;
            if (*n == 0)
                return ScaleProblem::FullScaleZero;
        } else if (!n) {
            return ScaleProblem::BadBitNumber;
        }
    }
    return ScaleProblem::None;
}

std::optional<int> firstBitOutOfRange(const std::array<ChannelRecord, kChannels> &channels)
{
    for (int c = kAnalogChannels; c < kChannels; ++c) {
        if (!channels[c].selected)
            continue;
        const std::optional<std::int32_t> bit = presets::parseDecimal(channels[c].fullScale);
        if (bit && (*bit < 0 || *bit > 15))
            return c;
    }
    return std::nullopt;
}

std::optional<int> firstUnresolved(const std::array<ChannelRecord, kChannels> &channels, const Resolution &resolution)
{
    for (int c = 0; c < kChannels; ++c) {
        if (channels[c].selected && (resolution.addressText[c].isEmpty() || channels[c].addressOrName.isEmpty()))
            return c;
    }
    return std::nullopt;
}

bool buildSelection(TrendData &data)
{
    bool allConverted = true;
    data.selectedChannels.clear();
    for (int c = 0; c < kChannels; ++c) {
        if (!data.channels[c].selected)
            continue;
        data.selectedChannels.push_back(c);
        const std::optional<std::int32_t> n = presets::parseDecimal(data.channels[c].fullScale);
        if (!n) {
            allConverted = false;
            data.channelScale[c] = 0;
        } else {
            data.channelScale[c] = c < kAnalogChannels ? *n : bitMask(*n);
        }
    }
    return allConverted;
}

void resetRecording(TrendData &data)
{
    for (SampleRow &row : data.sampleRing)
        row.fill(0);
    data.ringWritePos = 0;
    data.ringWrapped = false;
}

} // namespace runstart
