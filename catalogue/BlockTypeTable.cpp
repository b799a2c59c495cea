#include "catalogue/BlockTypeTable.h"

#include <iterator>

namespace {

constexpr BlockType kNamedRows[] = {
    {"BEND", 0, 0, 1},  {"PI3A", 8, 1, 1},  {"PI2A", 18, 2, 1}, {"JMPR", 3, 0, 1},
    {"EARC", 2, 1, 1},  {"SARC", 7, 2, 1},  {"BITJ", 3, 0, 1},  {"CONS", 1, 0, 1},
    {"LAG1", 3, 1, 1},  {"PI1A", 30, 3, 1}, {"DBAN", 5, 1, 1},  {"PTIO", 2, 2, 1},
    {"JMPS", 2, 1, 1},  {"BITM", 8, 0, 1},  {"ADDR", 2, 1, 1},  {"MULT", 3, 1, 1},
    {"CMPA", 4, 0, 1},  {"MCAN", 11, 2, 1}, {"FFWD", 7, 1, 1},  {"FCAN", 10, 2, 1},
    {"PCTQ", 4, 1, 1},  {"PI4A", 32, 3, 1}, {"DLRG", 2, 1, 1},  {"FUNC", 11, 1, 1},
    {"DPI3", 8, 2, 2},  {"DJPR", 3, 0, 2},  {"DEAR", 2, 2, 2},  {"DJPS", 2, 2, 2},
    {"DADD", 2, 2, 2},  {"DMCN", 11, 4, 2}, {"DFWD", 7, 2, 2},  {"SMLD", 2, 2, 2},
    {"STOD", 1, 2, 2},  {"DTOS", 1, 1, 1},  {"DLG1", 3, 2, 2},  {"DSHR", 2, 2, 2},
    {"DDLR", 2, 2, 2},  {"DMC2", 1, 0, 1},
};
static_assert(std::size(kNamedRows) == 38, "codes 0 to 37 carry names");

constexpr BlockType kBlankRow{"    ", 0, 0, 1};

constexpr std::array<BlockType, kBlockTypeCount> makeTable()
{
    std::array<BlockType, kBlockTypeCount> rows{};
    for (std::size_t code = 0; code < rows.size(); ++code)
        rows[code] = code < std::size(kNamedRows) ? kNamedRows[code] : kBlankRow;
    return rows;
}

constexpr std::array<int, kBlockTypeCount + 1> makeWordCounts()
{
    std::array<int, kBlockTypeCount + 1> counts{};
    const auto rows = makeTable();
    for (std::size_t code = 0; code < rows.size(); ++code)
        counts[code] = rows[code].paramWords;
    counts[kBlockTypeCount] = 0; // code 64 reads no parameter words
    return counts;
}

constexpr auto kWordCounts = makeWordCounts();
static_assert(kWordCounts[21] == 32 && kWordCounts[29] == 11 && kWordCounts[64] == 0);

} // namespace

constexpr std::array<BlockType, kBlockTypeCount> kBlockTypeTable = makeTable();

const std::array<int, kBlockTypeCount + 1> &blockWordCounts() { return kWordCounts; }

const BlockType &blockTypeRow(int code)
{
    if (code >= 0 && code < kBlockTypeCount)
        return kBlockTypeTable[static_cast<std::size_t>(code)];
    return kBlankRow;
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
