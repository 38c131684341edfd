// Canonical Huffman codes as the LHA methods transmit them: code lengths
// per symbol, codes assigned shortest first, then by symbol. The encoder's
// lengths and codes, and the decoder's lookup tables.
#pragma once
#include <cstdint>
#include <vector>

#include "archive/bit_input.h"

namespace relvo::lzh {

// The canonical codes of lens[0..n) (0 = symbol unused): codes[s] holds
// the lens[s] low bits of symbol s's code, first bit highest. The lengths
// must form a prefix code (as code_lengths makes them).
void canonical_codes(const std::uint8_t* lens, unsigned n, std::uint16_t* codes);

// Lengths of an optimal prefix code of at most max_len bits (max_len in
// 1..16, and 2^max_len at least the number of used symbols) for the counts
// freq[0..n): 0 for an unused symbol. Returns how many symbols are used; a
// lone used symbol gets length 1.
unsigned code_lengths(const std::uint32_t* freq, unsigned n, unsigned max_len, std::uint8_t* lens);

class HuffmanTable {
 public:
  // The symbol an entry for a code that does not exist decodes to (an
  // incomplete code's unused part); it takes no bits.
  static constexpr unsigned kNoSymbol = 0xFFFF;
  static constexpr unsigned kMaxPrimary = 12;

  HuffmanTable() : table_(std::size_t(1) << kMaxPrimary, kEmpty) {}

  // Builds the table for lens[0..n) (0 = symbol unused, at most 16; n at
  // most 512) with a first-level lookup of primary_bits (at most 12). False
  // when a length is above 16 or the lengths ask for more codes than exist;
  // an incomplete code is accepted, and reading one of its missing codes is
  // a decode error.
  bool build(const std::uint8_t* lens, unsigned n, unsigned primary_bits);
  // A table in which every input is sym, read with no bits at all (what the
  // methods send when a block uses one symbol only).
  void build_single(unsigned sym, unsigned primary_bits);

  // The entry for the next bits (left-aligned, at least 16 of them valid):
  // symbol << 8 | code length. Primary must be the table's primary_bits.
  // An inner loop takes the table's data() into a local once and looks up
  // through it (stores of output bytes would otherwise make the compiler
  // fetch the table's address again for every symbol).
  template <unsigned Primary>
  static std::uint32_t lookup(const std::uint32_t* table, std::uint64_t bits) {
    std::uint32_t e = table[static_cast<std::size_t>(bits >> (64 - Primary))];
    if (e & kLink) [[unlikely]]
      e = table[(e >> 8) + static_cast<std::size_t>((bits << Primary) >> (64 - (e & 0x1F)))];
    return e;
  }
  const std::uint32_t* data() const { return table_.data(); }

  // Decodes one symbol from in (at least 16 bits available); -1 on a code
  // that does not exist.
  int decode(BitInput& in) const {
    const std::uint64_t b = in.bits();
    std::uint32_t e = table_[static_cast<std::size_t>(b >> (64 - primary_))];
    if (e & kLink) e = table_[(e >> 8) + static_cast<std::size_t>((b << primary_) >> (64 - (e & 0x1F)))];
    if ((e >> 8) == kNoSymbol) return -1;
    in.skip(static_cast<int>(e & 0x1F));
    return static_cast<int>(e >> 8);
  }

  unsigned primary_bits() const { return primary_; }

 private:
  static constexpr std::uint32_t kLink = 0x80;
  static constexpr std::uint32_t kEmpty = kNoSymbol << 8;
  unsigned primary_ = 1;
  // Entry: symbol << 8 | length; or a link: offset << 8 | 0x80 | sub-bits.
  // Grows to the largest table built so far, never shrinks.
  std::vector<std::uint32_t> table_;
};

}  // namespace relvo::lzh
