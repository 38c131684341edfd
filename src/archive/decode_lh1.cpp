// -lh1-: LZ77 with a 4 KiB dictionary, literals and lengths (3 to 60) in an
// adaptive Huffman code, the upper six bits of a position in a fixed code.
#include <algorithm>
#include <cstring>

#include "archive/decoder.h"
#include "archive/huffman.h"

namespace relvo::lzh {

namespace {

constexpr unsigned kChars = 314;           // 256 literals + 58 lengths
constexpr unsigned kNodes = 2 * kChars - 1;  // leaves and inner nodes
constexpr unsigned kRoot = kNodes - 1;
constexpr unsigned kMaxFreq = 0x8000;

// The adaptive code: a tree kept ordered by frequency; after each symbol its
// leaf's count goes up and the tree is re-ordered, halving all counts when
// the root reaches kMaxFreq.
class AdaptiveTree {
 public:
  AdaptiveTree() {
    for (unsigned i = 0; i < kChars; ++i) {
      freq_[i] = 1;
      son_[i] = i + kNodes;
      parent_[i + kNodes] = i;
    }
    for (unsigned i = 0, j = kChars; j <= kRoot; i += 2, ++j) {
      freq_[j] = freq_[i] + freq_[i + 1];
      son_[j] = i;
      parent_[i] = parent_[i + 1] = j;
    }
    freq_[kNodes] = 0xFFFF;  // a sentinel above every count
    parent_[kRoot] = 0;
  }

  // Reads one symbol bit by bit; -1 when the bits run out.
  int decode(BitInput& in) {
    unsigned c = son_[kRoot];
    while (c < kNodes) {
      if (in.count() < 1) in.refill();
      c = son_[c + in.get(1)];
    }
    c -= kNodes;
    update(c);
    return static_cast<int>(c);
  }

 private:
  void update(unsigned c) {
    if (freq_[kRoot] == kMaxFreq) rebuild();
    c = parent_[c + kNodes];
    do {
      const unsigned k = ++freq_[c];
      unsigned l = c + 1;
      if (k > freq_[l]) {
        while (k > freq_[++l]) {
        }
        --l;
        freq_[c] = freq_[l];
        freq_[l] = k;
        const unsigned i = son_[c];
        parent_[i] = l;
        if (i < kNodes) parent_[i + 1] = l;
        const unsigned j = son_[l];
        son_[l] = i;
        parent_[j] = c;
        if (j < kNodes) parent_[j + 1] = c;
        son_[c] = j;
        c = l;
      }
    } while ((c = parent_[c]) != 0);
  }

  void rebuild() {
    unsigned j = 0;
    for (unsigned i = 0; i < kNodes; ++i) {
      if (son_[i] >= kNodes) {
        freq_[j] = (freq_[i] + 1) / 2;
        son_[j] = son_[i];
        ++j;
      }
    }
    for (unsigned i = 0, n = kChars; n < kNodes; i += 2, ++n) {
      const unsigned f = freq_[i] + freq_[i + 1];
      unsigned k = n;
      while (k > 0 && f < freq_[k - 1]) --k;
      std::memmove(&freq_[k + 1], &freq_[k], (n - k) * sizeof freq_[0]);
      freq_[k] = f;
      std::memmove(&son_[k + 1], &son_[k], (n - k) * sizeof son_[0]);
      son_[k] = i;
    }
    for (unsigned i = 0; i < kNodes; ++i) {
      const unsigned k = son_[i];
      if (k >= kNodes)
        parent_[k] = i;
      else
        parent_[k] = parent_[k + 1] = i;
    }
  }

  unsigned freq_[kNodes + 1];
  unsigned son_[kNodes];
  unsigned parent_[kNodes + kChars];
};

class Lh1Decoder final : public Decoder {
 public:
  Lh1Decoder() {
    // Fixed lengths of the 64 position classes: 1 of 3 bits, 3 of 4, 8 of
    // 5, 12 of 6, 24 of 7, 16 of 8.
    std::uint8_t len[64];
    unsigned s = 0;
    const unsigned counts[] = {1, 3, 8, 12, 24, 16};
    for (unsigned l = 0; l < 6; ++l)
      for (unsigned k = 0; k < counts[l]; ++k) len[s++] = static_cast<std::uint8_t>(l + 3);
    positions_.build(len, 64, 8);
  }

  DecodeStatus decode(BitInput& in, OutputWindow& out) override {
    while (out.left() > 0) {
      const int c = tree_.decode(in);
      if (c < 256) {
        out.put(static_cast<std::uint8_t>(c));
      } else {
        in.refill();
        const int hi = positions_.decode(in);
        const std::size_t dist = ((static_cast<std::size_t>(hi) << 6) | in.get(6)) + 1;
        out.copy(dist, static_cast<std::size_t>(c) - 253);
      }
      if (in.overrun()) return DecodeStatus::Truncated;
    }
    return DecodeStatus::Ok;
  }

 private:
  AdaptiveTree tree_;
  HuffmanTable positions_;
};

}  // namespace

std::unique_ptr<Decoder> make_lh1_decoder() { return std::make_unique<Lh1Decoder>(); }

}  // namespace relvo::lzh
