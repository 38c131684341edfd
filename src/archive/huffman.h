// Canonical Huffman decoding tables as the LHA methods transmit them: code
// lengths per symbol, codes assigned shortest first, then by symbol.
#pragma once
#include <cstdint>
#include <vector>

#include "archive/bit_input.h"

namespace relvo::lzh {

class HuffmanTable {
 public:
  // Marks an entry no code leads to (an incomplete code's unused part).
  static constexpr std::uint32_t kInvalid = 0x7F;

  // Builds the table for lens[0..n) (0 = symbol unused, at most 16) with a
  // first-level lookup of primary_bits. False when a length is above 16 or
  // the lengths ask for more codes than exist; an incomplete code is
  // accepted, and reading one of its missing codes is a decode error.
  bool build(const std::uint8_t* lens, unsigned n, unsigned primary_bits);
  // A table in which every input is sym, read with no bits at all (what the
  // methods send when a block uses one symbol only).
  void build_single(unsigned sym, unsigned primary_bits);

  // Decodes one symbol from in (at least 16 bits available); -1 on a code
  // that does not exist.
  int decode(BitInput& in) const {
    const std::uint64_t b = in.bits();
    std::uint32_t e = table_[static_cast<std::size_t>(b >> (64 - primary_))];
    if (e & 0x80) e = table_[(e >> 8) + static_cast<std::size_t>((b << primary_) >> (64 - (e & 0x1F)))];
    const unsigned len = e & 0xFF;
    if (len > 16) return -1;
    in.skip(static_cast<int>(len));
    return static_cast<int>(e >> 8);
  }

 private:
  unsigned primary_ = 1;
  // Entry: symbol << 8 | length; or a link: offset << 8 | 0x80 | sub-bits.
  std::vector<std::uint32_t> table_;
};

}  // namespace relvo::lzh
