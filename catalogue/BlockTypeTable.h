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


// Rows indexed by type code 0 to 63.
extern const std::array<BlockType, kBlockTypeCount> kBlockTypeTable;

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
