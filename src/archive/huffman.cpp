// Building the two-level canonical Huffman lookup tables.
#include "archive/huffman.h"

#include <algorithm>

namespace relvo::lzh {

bool HuffmanTable::build(const std::uint8_t* lens, unsigned n, unsigned primary_bits) {
  if (n > 512 || primary_bits > kMaxPrimary || primary_bits == 0) return false;
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

  // Sub-table sizes: for each first-level prefix, the longest code under it.
  std::uint8_t sub_bits[1 << kMaxPrimary];
  std::uint16_t codes[512];
  bool any_long = false;
  for (unsigned s = 0; s < n; ++s) {
    const unsigned len = lens[s];
    if (!len) continue;
    codes[s] = static_cast<std::uint16_t>(next[len]++);
    if (len > pb) {
      if (!any_long) std::fill_n(sub_bits, std::size_t(1) << pb, std::uint8_t(0));
      any_long = true;
      const unsigned prefix = codes[s] >> (len - pb);
      sub_bits[prefix] = std::max<std::uint8_t>(sub_bits[prefix], static_cast<std::uint8_t>(len - pb));
    }
  }
  std::size_t size = std::size_t(1) << pb;
  if (any_long)
    for (std::size_t p = 0; p < (std::size_t(1) << pb); ++p) size += sub_bits[p] ? std::size_t(1) << sub_bits[p] : 0;
  if (table_.size() < size) table_.resize(size);
  std::uint32_t* const t = table_.data();
  std::fill_n(t, std::size_t(1) << pb, kEmpty);
  if (any_long) {
    size = std::size_t(1) << pb;
    for (std::size_t p = 0; p < (std::size_t(1) << pb); ++p) {
      if (!sub_bits[p]) continue;
      std::fill_n(t + size, std::size_t(1) << sub_bits[p], kEmpty);
      t[p] = static_cast<std::uint32_t>(size << 8) | kLink | sub_bits[p];
      size += std::size_t(1) << sub_bits[p];
    }
  }
  for (unsigned s = 0; s < n; ++s) {
    const unsigned len = lens[s];
    if (!len) continue;
    const std::uint32_t entry = (s << 8) | len;
    if (len <= pb) {
      std::fill_n(t + (std::size_t(codes[s]) << (pb - len)), std::size_t(1) << (pb - len), entry);
    } else {
      const unsigned prefix = codes[s] >> (len - pb);
      const unsigned sb = sub_bits[prefix];
      const std::size_t offset = t[prefix] >> 8;
      const unsigned rest = codes[s] & ((1u << (len - pb)) - 1);
      std::fill_n(t + offset + (std::size_t(rest) << (sb - (len - pb))), std::size_t(1) << (sb - (len - pb)), entry);
    }
  }
  return true;
}

void HuffmanTable::build_single(unsigned sym, unsigned primary_bits) {
  primary_ = primary_bits;
  std::fill_n(table_.data(), std::size_t(1) << primary_bits, sym << 8);
}

}  // namespace relvo::lzh
