#include "catalogue/BlockTypeTable.h"

namespace {
constexpr auto kWordCounts = blocktypes_detail::makeWordCounts();
static_assert(kWordCounts[21] == 32 && kWordCounts[29] == 11 && kWordCounts[64] == 0);
} // namespace

const std::array<int, kBlockTypeCount + 1> &blockWordCounts() { return kWordCounts; }

const BlockType &blockTypeRow(int code)
{
    if (code >= 0 && code < kBlockTypeCount)
        return kBlockTypeTable[static_cast<std::size_t>(code)];
    return blocktypes_detail::kBlankRow;
}

int headerParameterWords(std::uint16_t header)
{
    const int code = header & 0xFF;
    if (code == kConsTypeCode)
        return header >> 12;
    if (code <= kBlockTypeCount)
        return kWordCounts[static_cast<std::size_t>(code)];
    return 0;
}
