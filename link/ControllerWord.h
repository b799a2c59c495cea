#pragma once
// A controller word as every window and the recorder show it: 16 bits, 0x8000 and above negative.

#include <cstdint>

constexpr std::int32_t signedWord(int word) { return word > 0x7FFF ? word - 0x10000 : word; }
// The word whose bytes stand high first in a block read's data.
constexpr std::int32_t signedWord(std::uint8_t high, std::uint8_t low) { return signedWord(high * 256 + low); }
