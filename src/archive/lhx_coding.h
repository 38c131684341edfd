// The coding of LHA's static Huffman methods (-lh4- to -lh7-, -lhx-), as
// the decoder reads it and the encoder writes it: the alphabets, the widths
// of the table fields, and how match lengths and distances become codes.
#pragma once
#include <bit>
#include <cstdint>

namespace relvo::lzh::lhx {

// A block: 16 bits of code count, then three tables of code lengths (T,
// the lengths of the C lengths; C; P), then the codes.
constexpr unsigned kNT = 19;       // T: 0-2 runs of zero C lengths, 3-18 the lengths 1-16
constexpr unsigned kTBit = 5;      // width of T's count and single-symbol fields
constexpr unsigned kTSpecial = 3;  // after T's third length, 2 bits count zeros that follow
constexpr unsigned kCBit = 9;      // width of C's count and single-symbol fields
constexpr unsigned kMaxCodeLength = 16;
constexpr std::uint32_t kMaxBlockCodes = 0xFFFF;  // the count field; 0 is read as 65536 by some

// C: literals 0-255, then a match of length c - 253 (3 to 256).
constexpr unsigned kNC = 510;
constexpr unsigned kLengthBias = 253;
constexpr unsigned kMinMatch = 3;
constexpr unsigned kMaxMatch = kNC - 1 - kLengthBias;

// P: position class j of a distance d: 0 for d = 1, else j - 1 more bits
// after the leading one of d - 1 (2^(j-1) + bits + 1 = d).
constexpr unsigned np(unsigned dic_bits) { return dic_bits + 1; }
constexpr unsigned pbit(unsigned dic_bits) { return dic_bits >= 15 ? 5 : 4; }
inline unsigned position_class(std::uint32_t dist) { return static_cast<unsigned>(std::bit_width(dist - 1)); }
constexpr unsigned class_bits(unsigned j) { return j == 0 ? 0 : j - 1; }

}  // namespace relvo::lzh::lhx
