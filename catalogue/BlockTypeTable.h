#pragma once
// The function-block types the controller knows: for each type code the block's name, how many
// parameter words follow its header in the super block, how many output words it owns and how
// wide its output values are. Constant data; the super-block reader and the decoder both step
// through the chain with it.

#include <array>
#include <cstdint>
#include <string_view>

struct BlockType {
    std::string_view name; // up to 4 characters; four spaces in the blank rows
    int paramWords;        // words after the header
    int outputs;           // output words in the output area
    int width;             // 1: one-word outputs, 2: two-word outputs
};

inline constexpr int kBlockTypeCount = 64;
// Headers whose type code is above this are not load data at all.
inline constexpr int kMaxTypeCode = 124;
// The type whose parameter-word count is carried in the header's top four bits.
inline constexpr int kConsTypeCode = 7;

namespace blocktypes_detail {
inline constexpr BlockType kNamedRows[] = {
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

inline constexpr BlockType kBlankRow{"    ", 0, 0, 1};

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
} // namespace blocktypes_detail

// Rows indexed by type code 0 to 63.
inline constexpr std::array<BlockType, kBlockTypeCount> kBlockTypeTable = blocktypes_detail::makeTable();

// The parameter-word column of the table for codes 0 to 63 and a 0 for code 64, as the main
// window shows it and the super-block reader uses it.
const std::array<int, kBlockTypeCount + 1> &blockWordCounts();

// The row of a type code. Codes 64 to 124 pass the load-data check but have no row of their own:
// they are read and decoded as blank rows (no name, no parameter words, no outputs), so a header
// with such a code is stepped over like one of codes 38 to 63.
const BlockType &blockTypeRow(int code);

// Parameter words that follow a header word: the header's top digit for CONS, else the table's
// count for its type code (0 for 64 to 124). Callers deal with codes above 124 themselves.
int headerParameterWords(std::uint16_t header);
