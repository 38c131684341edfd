// Building the two-level canonical Huffman lookup tables.
#include "archive/huffman.h"

#include <algorithm>

namespace relvo::lzh {

bool HuffmanTable::build(const std::uint8_t* lens, unsigned n, unsigned primary_bits) {
  unsigned count[17] = {};
  for (unsigned s = 0; s < n; ++s) {
    if (lens[s] > 16) return false;
    ++count[lens[s]];
  }
  long left = 1;
  for (unsigned len = 1; len <= 16; ++len) {
    left = left * 2 - count[len];
    if (left < 0) return false;  // over-subscribed
  }
  // Canonical first codes per length; unused symbols take no code.
  unsigned next[17] = {};
  unsigned code = 0;
  count[0] = 0;
  for (unsigned len = 1; len <= 16; ++len) {
    code = (code + count[len - 1]) << 1;
    next[len] = code;
  }

  const unsigned pb = primary_bits;
  primary_ = pb;
  table_.assign(std::size_t(1) << pb, kInvalid);

  // Sub-table sizes: for each first-level prefix, the longest code under it.
  std::vector<std::uint8_t> sub_bits(std::size_t(1) << pb, 0);
  std::vector<unsigned> codes(n, 0);
  for (unsigned s = 0; s < n; ++s) {
    const unsigned len = lens[s];
    if (!len) continue;
    codes[s] = next[len]++;
    if (len > pb) {
      const unsigned prefix = codes[s] >> (len - pb);
      sub_bits[prefix] = std::max<std::uint8_t>(sub_bits[prefix], static_cast<std::uint8_t>(len - pb));
    }
  }
  for (std::size_t p = 0; p < sub_bits.size(); ++p) {
    if (!sub_bits[p]) continue;
    const std::size_t offset = table_.size();
    table_.resize(offset + (std::size_t(1) << sub_bits[p]), kInvalid);
    table_[p] = static_cast<std::uint32_t>(offset << 8) | 0x80u | sub_bits[p];
  }
  for (unsigned s = 0; s < n; ++s) {
    const unsigned len = lens[s];
    if (!len) continue;
    const std::uint32_t entry = (s << 8) | len;
    if (len <= pb) {
      const std::size_t first = std::size_t(codes[s]) << (pb - len);
      std::fill_n(table_.begin() + static_cast<std::ptrdiff_t>(first), std::size_t(1) << (pb - len), entry);
    } else {
      const unsigned prefix = codes[s] >> (len - pb);
      const unsigned sb = sub_bits[prefix];
      const std::size_t offset = table_[prefix] >> 8;
      const unsigned rest = codes[s] & ((1u << (len - pb)) - 1);
      const std::size_t first = offset + (std::size_t(rest) << (sb - (len - pb)));
      std::fill_n(table_.begin() + static_cast<std::ptrdiff_t>(first), std::size_t(1) << (sb - (len - pb)), entry);
    }
  }
  return true;
}

void HuffmanTable::build_single(unsigned sym, unsigned primary_bits) {
  primary_ = primary_bits;
  table_.assign(std::size_t(1) << primary_bits, sym << 8);
}

}  // namespace relvo::lzh
