// Canonical Huffman codes: lengths from counts (the encoder), codes from
// lengths, and the decoder's two-level lookup tables.
#include "archive/huffman.h"

#include <algorithm>

namespace relvo::lzh {

namespace {

// The canonical rule: the first code of each length (next[1..16]), from how
// many symbols have each length (count[1..16]); a length's symbols then take
// consecutive codes in symbol order.
inline void first_codes(const unsigned* count, unsigned* next) {
  for (unsigned len = 1, code = 0; len <= 16; ++len) {
    code = (code + (len > 1 ? count[len - 1] : 0)) << 1;
    next[len] = code;
  }
}

}  // namespace

void canonical_codes(const std::uint8_t* lens, unsigned n, std::uint16_t* codes) {
  unsigned count[17] = {}, next[17];
  for (unsigned s = 0; s < n; ++s) ++count[lens[s]];
  first_codes(count, next);
  for (unsigned s = 0; s < n; ++s) codes[s] = lens[s] ? static_cast<std::uint16_t>(next[lens[s]]++) : 0;
}

unsigned code_lengths(const std::uint32_t* freq, unsigned n, unsigned max_len, std::uint8_t* lens) {
  // The used symbols by count, rarest first (ties by symbol).
  std::uint16_t sym[512];
  unsigned used = 0;
  for (unsigned s = 0; s < n; ++s) {
    lens[s] = 0;
    if (freq[s]) sym[used++] = static_cast<std::uint16_t>(s);
  }
  if (used <= 1) {
    if (used) lens[sym[0]] = 1;
    return used;
  }
  std::stable_sort(sym, sym + used, [&](unsigned a, unsigned b) { return freq[a] < freq[b]; });

  // Optimal lengths in place (Moffat and Katajainen): a[] first takes the
  // counts, then parent links, then the depths of the leaves.
  std::uint32_t a[512];
  for (unsigned i = 0; i < used; ++i) a[i] = freq[sym[i]];
  const int m = static_cast<int>(used);
  a[0] += a[1];
  int root = 0, leaf = 2;
  for (int next = 1; next < m - 1; ++next) {
    if (leaf >= m || a[root] < a[leaf]) {
      a[next] = a[root];
      a[root++] = static_cast<std::uint32_t>(next);
    } else {
      a[next] = a[leaf++];
    }
    if (leaf >= m || (root < next && a[root] < a[leaf])) {
      a[next] += a[root];
      a[root++] = static_cast<std::uint32_t>(next);
    } else {
      a[next] += a[leaf++];
    }
  }
  a[m - 2] = 0;
  for (int next = m - 3; next >= 0; --next) a[next] = a[a[next]] + 1;
  int avail = 1, taken = 0;
  std::uint32_t depth = 0;
  root = m - 2;
  for (int next = m - 1; avail > 0; ++depth) {
    while (root >= 0 && a[root] == depth) {
      ++taken;
      --root;
    }
    while (avail > taken) {
      a[next--] = depth;
      --avail;
    }
    avail = 2 * taken;
    taken = 0;
  }

  // Lengths above max_len are cut to it; the code is then over-full, and
  // each round takes one leaf off the deepest level and moves a shallower
  // one a level down (two there in its place), until the Kraft sum is 1.
  unsigned count[33] = {};
  for (unsigned i = 0; i < used; ++i) ++count[std::min<std::uint32_t>(a[i], max_len)];
  std::uint32_t kraft = 0;
  for (unsigned len = 1; len <= max_len; ++len) kraft += count[len] << (max_len - len);
  for (; kraft > (1u << max_len); --kraft) {
    --count[max_len];
    for (unsigned len = max_len - 1; len > 0; --len)
      if (count[len]) {
        --count[len];
        count[len + 1] += 2;
        break;
      }
  }
  // The rarest symbols take the longest codes.
  unsigned i = 0;
  for (unsigned len = max_len; len > 0; --len)
    for (unsigned k = 0; k < count[len]; ++k) lens[sym[i++]] = static_cast<std::uint8_t>(len);
  return used;
}

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
  const unsigned pb = primary_bits;
  primary_ = pb;
  unsigned next[17];
  first_codes(count, next);

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
