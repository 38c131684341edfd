// -lh2-: LZ77 with an 8 KiB dictionary in which both codes adapt as they
// go. Literals and lengths (3 to 31 directly, 32 and longer through an
// escape and eight more bits) share one adaptive code; the upper seven
// bits of a position have a second adaptive code that starts with one leaf
// and gains a leaf for each further 64 bytes of output, since no position
// beyond the output so far can occur. The lower six bits of a position are
// sent plainly.
//
// While the position code has its one leaf, the original coding counts
// nothing for it: when the second leaf comes, the first starts at count 1.
// jLHA's encoder counts those uses, so that the first leaf starts higher;
// the two codes part from there on whenever a match came in the first 64
// bytes. The counting reading is the method's second one (see
// decode_either), tried when a member fails in the original one.

#include "archive/decoder.h"

namespace relvo::lzh {

namespace {

constexpr unsigned kChars = 286;         // 256 literals, lengths 3..32, the escape
constexpr unsigned kEscape = kChars - 1;  // followed by eight bits more
constexpr unsigned kPositions = 128;      // upper seven bits of a position
constexpr unsigned kStep = 64;            // output per position leaf
constexpr std::uint32_t kMaxFreq = 0x8000;
constexpr std::uint32_t kRootMark = 0xFFFF;  // above every count

// An adaptive Huffman tree kept as a list of nodes by falling count, the
// root first. An inner node at i has its children at child[i] (bit 0) and
// child[i] - 1 (bit 1); a leaf holds ~symbol. Counts along the list never
// rise, and a node whose count goes up first trades places with the first
// node of its count (never its own ancestor), which keeps that so.
template <unsigned Leaves>
class AdaptiveList {
 public:
  // Every symbol present once, paired from the end: what the literal and
  // length code starts with.
  void start_full() {
    last_ = 2 * Leaves - 2;
    unsigned j = last_;
    for (unsigned s = 0; s < Leaves; ++s, --j) {
      freq_[j] = 1;
      child_[j] = ~static_cast<int>(s);
      leaf_[s] = j;
    }
    unsigned i = last_;
    for (int k = static_cast<int>(Leaves) - 2; k >= 0; --k, i -= 2) {
      freq_[k] = freq_[i] + freq_[i - 1];
      child_[k] = static_cast<int>(i);
      parent_[i] = parent_[i - 1] = static_cast<unsigned>(k);
    }
  }
  // One symbol (0) at the root, read with no bits: the position code.
  void start_single() {
    last_ = 0;
    freq_[0] = 1;
    child_[0] = ~0;
    leaf_[0] = 0;
  }

  // Reads one symbol bit by bit.
  unsigned decode(BitInput& in) const {
    int c = child_[0];
    while (c > 0) {
      if (in.count() < 1) in.refill();
      c = child_[static_cast<unsigned>(c) - in.get(1)];
    }
    return static_cast<unsigned>(~c);
  }

  // Counts sym once more. The root's count goes up first; the walk stops
  // below it.
  void update_counted_root(unsigned sym) {
    if (freq_[0] == kMaxFreq) rebuild();
    ++freq_[0];
    unsigned q = leaf_[sym];
    do q = bump(q);
    while (q != 0);
  }
  // The same for a tree whose root stays marked above every count, with the
  // total kept aside. A lone root leaf counts its uses when count_lone is
  // set (jLHA's coding), else it stays at 1.
  void update_marked_root(unsigned sym, bool count_lone) {
    if (total_ == kMaxFreq && last_ > 0) {
      rebuild();
      total_ = freq_[0];
      freq_[0] = kRootMark;
    }
    unsigned q = leaf_[sym];
    if (last_ == 0 && count_lone) ++freq_[0];
    while (q != 0) q = bump(q);
    ++total_;
  }

  // Splits the last node (the least frequent leaf) into itself and a new
  // leaf for sym with count 0, then counts sym once.
  void add_leaf(unsigned sym, bool count_lone) {
    const unsigned m = last_, r = m + 1, q = m + 2;
    child_[r] = child_[m];
    leaf_[~child_[r]] = r;
    child_[q] = ~static_cast<int>(sym);
    child_[m] = static_cast<int>(q);
    freq_[r] = freq_[m];
    freq_[q] = 0;
    if (m == 0) freq_[0] = kRootMark;
    parent_[r] = parent_[q] = m;
    leaf_[sym] = q;
    last_ = q;
    update_marked_root(sym, count_lone);
  }

 private:
  // Moves p's subtree to the front of its count's run, raises its count and
  // returns its parent.
  unsigned bump(unsigned p) {
    unsigned q = p;
    while (freq_[q - 1] == freq_[p]) --q;
    if (q != p) {
      const int a = child_[p], b = child_[q];
      child_[p] = b;
      child_[q] = a;
      relink(q, a);
      relink(p, b);
      p = q;
    }
    ++freq_[p];
    return parent_[p];
  }
  void relink(unsigned at, int c) {
    if (c >= 0)
      parent_[c] = parent_[c - 1] = at;
    else
      leaf_[~c] = at;
  }

  // Halves every leaf's count and pairs the nodes afresh, the two least
  // frequent first; a new inner node goes before the leaves of a count not
  // above its own.
  void rebuild() {
    std::uint32_t lf[Leaves];
    int lc[Leaves];
    unsigned m = 0;
    for (unsigned i = 0; i <= last_; ++i) {
      if (child_[i] < 0) {
        lf[m] = (freq_[i] + 1) / 2;
        lc[m] = child_[i];
        ++m;
      }
    }
    int j = static_cast<int>(m) - 1;
    int i = static_cast<int>(last_);
    int l = i - 1;
    auto place_leaf = [&] {
      freq_[i] = lf[j];
      child_[i] = lc[j];
      --i;
      --j;
    };
    while (i >= 0) {
      while (i >= l) place_leaf();
      const std::uint32_t f = freq_[l] + freq_[l + 1];
      while (j >= 0 && lf[j] <= f) place_leaf();
      freq_[i] = f;
      child_[i] = l + 1;
      --i;
      l -= 2;
    }
    for (unsigned k = 0; k <= last_; ++k) relink(k, child_[k]);
  }

  std::uint32_t freq_[2 * Leaves];
  int child_[2 * Leaves];
  unsigned parent_[2 * Leaves];
  unsigned leaf_[Leaves];
  unsigned last_ = 0;
  std::uint32_t total_ = 0;
};

class Lh2Decoder final : public Decoder {
 public:
  explicit Lh2Decoder(bool count_lone) : count_lone_(count_lone) {
    chars_.start_full();
    positions_.start_single();
  }

  DecodeStatus decode(BitInput& in, OutputWindow& out) override {
    std::uint64_t done = 0;       // bytes put out so far
    std::uint64_t next = kStep;   // output after which the next position leaf comes
    unsigned leaves = 1;
    while (out.left() > 0) {
      unsigned c = chars_.decode(in);
      chars_.update_counted_root(c);
      if (c == kEscape) {
        in.refill();
        c += in.get(8);
      }
      if (c < 256) {
        out.put(static_cast<std::uint8_t>(c));
        ++done;
      } else {
        while (leaves < kPositions && done > next) {
          if (leaves == 1) {
            ambiguous_ = lone_uses_ > 0;
            if (!ambiguous_ && stop_when_settled_) return DecodeStatus::Ok;
          }
          positions_.add_leaf(leaves++, count_lone_);
          next += kStep;
        }
        const unsigned hi = positions_.decode(in);
        if (leaves == 1) ++lone_uses_;
        positions_.update_marked_root(hi, count_lone_);
        in.refill();
        const std::size_t dist = ((static_cast<std::size_t>(hi) << 6) | in.get(6)) + 1;
        const std::size_t len = c - 253;
        out.copy(dist, len);
        done += len;
      }
      if (in.overrun()) return DecodeStatus::Truncated;
    }
    return DecodeStatus::Ok;
  }

  // The readings part only when the lone leaf was used before the second
  // leaf came.
  bool ambiguous() const override { return ambiguous_; }

 private:
  AdaptiveList<kChars> chars_;
  AdaptiveList<kPositions> positions_;
  bool count_lone_;
  unsigned lone_uses_ = 0;
  bool ambiguous_ = false;
};

}  // namespace

std::unique_ptr<Decoder> make_lh2_decoder() { return std::make_unique<Lh2Decoder>(false); }
std::unique_ptr<Decoder> make_lh2_counting_decoder() { return std::make_unique<Lh2Decoder>(true); }

}  // namespace relvo::lzh
