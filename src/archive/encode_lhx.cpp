// The static Huffman family's encoder: -lh5-, -lh6- and -lh7- (dictionaries
// of 8, 32 and 64 KiB), one source parameterised by the dictionary size,
// writing the coding that decode_lhx.cpp reads (lhx_coding.h).
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

#include "archive/bit_output.h"
#include "archive/encoder.h"
#include "archive/huffman.h"
#include "archive/lhx_coding.h"
#include "archive/lz_matcher.h"

namespace relvo::lzh {

namespace {

using namespace lhx;

// The codes of one block, counted: C (literals and lengths) and P
// (position classes). T's counts follow from C's lengths.
template <unsigned NP>
struct Counts {
  std::array<std::uint32_t, kNC> c{};
  std::array<std::uint32_t, NP> p{};
  std::uint32_t codes = 0;
  void add(const Counts& o) {
    for (unsigned i = 0; i < kNC; ++i) c[i] += o.c[i];
    for (unsigned i = 0; i < NP; ++i) p[i] += o.p[i];
    codes += o.codes;
  }
};

// The code lengths of a block's three tables.
template <unsigned NP>
struct Plan {
  std::array<std::uint8_t, kNC> c_len{};
  std::array<std::uint8_t, kNT> t_len{};
  std::array<std::uint8_t, NP> p_len{};
  unsigned c_used = 0, t_used = 0, p_used = 0;
  int c_single = 0, t_single = 0, p_single = 0;  // the symbol of a table with one
};

// C's lengths as T codes: each length n as n + 2; a run of zeros as 0 (one
// zero, sent once or twice), 1 and 4 bits (3 to 18), 0 then 1 and 4 bits
// (19), or 2 and 9 bits (20 and more). each(t, extra, extra_bits).
template <class F>
void c_lengths_as_t(const std::uint8_t* c_len, unsigned n, F each) {
  for (unsigned i = 0; i < n;) {
    if (c_len[i] != 0) {
      each(c_len[i++] + 2u, 0u, 0u);
      continue;
    }
    unsigned run = 0;
    while (i < n && c_len[i] == 0) ++i, ++run;
    if (run <= 2) {
      while (run--) each(0u, 0u, 0u);
    } else if (run <= 18) {
      each(1u, run - 3, 4u);
    } else if (run == 19) {
      each(0u, 0u, 0u);
      each(1u, 15u, 4u);
    } else {
      each(2u, run - 20, kCBit);
    }
  }
}

// The count of lengths sent for a table: up to its last used symbol.
unsigned sent(const std::uint8_t* len, unsigned n) {
  while (n > 0 && len[n - 1] == 0) --n;
  return n;
}

template <unsigned NP>
Plan<NP> plan(const Counts<NP>& k) {
  Plan<NP> pl;
  pl.c_used = code_lengths(k.c.data(), kNC, kMaxCodeLength, pl.c_len.data());
  if (pl.c_used <= 1) {
    pl.c_single = static_cast<int>(std::find(pl.c_len.begin(), pl.c_len.end(), 1) - pl.c_len.begin());
  } else {
    std::array<std::uint32_t, kNT> t{};
    c_lengths_as_t(pl.c_len.data(), sent(pl.c_len.data(), kNC), [&t](unsigned s, unsigned, unsigned) { ++t[s]; });
    pl.t_used = code_lengths(t.data(), kNT, kMaxCodeLength, pl.t_len.data());
    if (pl.t_used == 1)
      pl.t_single = static_cast<int>(std::find(pl.t_len.begin(), pl.t_len.end(), 1) - pl.t_len.begin());
  }
  pl.p_used = code_lengths(k.p.data(), NP, kMaxCodeLength, pl.p_len.data());
  if (pl.p_used == 1)
    pl.p_single = static_cast<int>(std::find(pl.p_len.begin(), pl.p_len.end(), 1) - pl.p_len.begin());
  return pl;
}

// A quick estimate of a block's bits, to choose where blocks end: what its
// codes take at their entropy, and a few bits for each length its tables
// send.
template <unsigned NP>
double estimate(const Counts<NP>& k) {
  double bits = 16 + 2 * kTBit + kCBit + 2 * pbit(NP - 1);
  const auto add = [&bits](const std::uint32_t* f, unsigned n, double per_length) {
    std::uint64_t total = 0;
    for (unsigned s = 0; s < n; ++s) total += f[s];
    if (total == 0) return;
    double sum = 0;
    for (unsigned s = 0; s < n; ++s)
      if (f[s]) {
        sum += f[s] * std::log2(static_cast<double>(f[s]));
        bits += per_length;
      }
    bits += static_cast<double>(total) * std::log2(static_cast<double>(total)) - sum;
  };
  add(k.c.data(), kNC, 4);
  add(k.p.data(), NP, 3);
  return bits;
}

template <unsigned DicBits>
class LhxEncoder final : public Encoder {
  static constexpr unsigned kNP = np(DicBits);
  static constexpr unsigned kPBit = pbit(DicBits);
  static_assert(pbit(kNP - 1) == kPBit);
  using Parser = LzParser<DicBits, kMinMatch, kMaxMatch>;
  // Blocks are grown a chunk of codes at a time: a chunk whose statistics
  // differ enough from the block's so far starts a block of its own.
  static constexpr std::uint32_t kChunk = 1024;

 public:
  explicit LhxEncoder(std::vector<std::uint8_t>& out) : out_(out), parser_(tuning()) {
    items_.reserve(kMaxBlockCodes);
    // Before the first block: literals of 8 bits, lengths and positions
    // growing with their extra size.
    for (unsigned len = kMinMatch; len <= kMaxMatch; ++len)
      length_cost_[len] = 16 * (4 + static_cast<int>(std::bit_width(len - 2)));
    for (unsigned j = 0; j < kNP; ++j) class_cost_[j] = 16 * (3 + static_cast<int>(class_bits(j)));
  }

  void write(const std::uint8_t* data, std::size_t n) override {
    while (n > 0) {
      const std::size_t k = parser_.fill(data, n);
      data += k;
      n -= k;
      parser_.parse(*this, false);
    }
  }

  void finish() override {
    parser_.parse(*this, true);
    if (chunk_.codes) close_chunk();
    if (!items_.empty()) send_block(items_.size(), plan(block_));
    out_.flush();
  }

  // The parser's output, and what it weighs matches by: the bits a match
  // saves against literals (in sixteenths), by the code lengths of the
  // block sent last.
  int gain(unsigned len, std::uint32_t dist) const {
    return static_cast<int>(len) * literal_cost_ - length_cost_[len] - class_cost_[position_class(dist)];
  }
  void literal(std::uint8_t b) {
    ++chunk_.c[b];
    push(b);
  }
  void match(unsigned len, std::uint32_t dist) {
    ++chunk_.c[len + kLengthBias];
    ++chunk_.p[position_class(dist)];
    push((len + kLengthBias) | dist << 16);
  }

 private:
  // Chains searched 256 places deep: twice as deep packs mixed files 0.06%
  // smaller in 15% more time.
  static MatchTuning tuning() {
    MatchTuning t;
    t.max_chain = 256;
    return t;
  }

  void push(std::uint32_t item) {
    items_.push_back(item);
    if (++chunk_.codes == kChunk) close_chunk();
  }

  // Joins the chunk to the block, or sends the block and lets the chunk
  // start the next one, whichever costs fewer bits.
  void close_chunk() {
    if (block_.codes > 0) {
      Counts<kNP> joined = block_;
      joined.add(chunk_);
      if (estimate(block_) + estimate(chunk_) < estimate(joined)) {
        const Plan<kNP> alone = plan(block_);
        learn(block_, alone);
        send_block(block_.codes, alone);
        items_.erase(items_.begin(), items_.begin() + block_.codes);
        block_ = Counts<kNP>{};
      }
    }
    block_.add(chunk_);
    chunk_ = Counts<kNP>{};
    if (block_.codes + kChunk > kMaxBlockCodes) {
      const Plan<kNP> pl = plan(block_);
      learn(block_, pl);
      send_block(block_.codes, pl);
      items_.clear();
      block_ = Counts<kNP>{};
    }
  }

  // T and P lengths: the count, then each length in 3 bits, or 7 and up as
  // 111, a one per step above 7 and a zero; after the special'th length, 2
  // bits count the zeros that follow (at most 3).
  void write_lengths(const std::uint8_t* len, unsigned n, unsigned nbit, int special) {
    n = sent(len, n);
    out_.put(n, nbit);
    for (unsigned i = 0; i < n;) {
      const unsigned l = len[i++];
      if (l < 7)
        out_.put(l, 3);
      else
        out_.put(((1u << (l - 4)) - 1) << 1, l - 3);
      if (static_cast<int>(i) == special) {
        unsigned z = 0;
        while (z < 3 && i < n && len[i] == 0) ++z, ++i;
        out_.put(z, 2);
      }
    }
  }

  // The costs gain() weighs by, from the block about to be sent. A code the
  // block does not use is taken as long.
  void learn(const Counts<kNP>& k, const Plan<kNP>& pl) {
    std::uint64_t bits = 0, n = 0;
    for (unsigned s = 0; s < 256; ++s) {
      bits += std::uint64_t(k.c[s]) * pl.c_len[s];
      n += k.c[s];
    }
    if (n) literal_cost_ = static_cast<int>(16 * bits / n);
    for (unsigned len = kMinMatch; len <= kMaxMatch; ++len) {
      const unsigned l = pl.c_len[len + kLengthBias];
      length_cost_[len] = 16 * static_cast<int>(l ? l : 14);
    }
    for (unsigned j = 0; j < kNP; ++j)
      class_cost_[j] = 16 * static_cast<int>((pl.p_len[j] ? pl.p_len[j] : 10) + class_bits(j));
  }

  void send_block(std::size_t n, const Plan<kNP>& pl) {
    std::array<std::uint16_t, kNC> c_code{};
    std::array<std::uint16_t, kNP> p_code{};
    out_.put(static_cast<std::uint32_t>(n), 16);
    if (pl.c_used <= 1) {
      out_.put(0, kTBit);
      out_.put(0, kTBit);
      out_.put(0, kCBit);
      out_.put(static_cast<std::uint32_t>(pl.c_single), kCBit);
    } else {
      std::array<std::uint16_t, kNT> t_code{};
      if (pl.t_used <= 1) {
        out_.put(0, kTBit);
        out_.put(static_cast<std::uint32_t>(pl.t_single), kTBit);
      } else {
        write_lengths(pl.t_len.data(), kNT, kTBit, kTSpecial);
        canonical_codes(pl.t_len.data(), kNT, t_code.data());
      }
      const unsigned cn = sent(pl.c_len.data(), kNC);
      out_.put(cn, kCBit);
      const bool t_bits = pl.t_used > 1;
      c_lengths_as_t(pl.c_len.data(), cn, [&](unsigned s, unsigned extra, unsigned eb) {
        if (t_bits) out_.put(t_code[s], pl.t_len[s]);
        if (eb) out_.put(extra, eb);
      });
      canonical_codes(pl.c_len.data(), kNC, c_code.data());
    }
    if (pl.p_used <= 1) {
      out_.put(0, kPBit);
      out_.put(static_cast<std::uint32_t>(pl.p_single), kPBit);
    } else {
      write_lengths(pl.p_len.data(), kNP, kPBit, -1);
      canonical_codes(pl.p_len.data(), kNP, p_code.data());
    }
    const bool c_bits = pl.c_used > 1, p_bits = pl.p_used > 1;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint32_t item = items_[i];
      const unsigned c = item & 0xFFFF;
      if (c_bits) out_.put(c_code[c], pl.c_len[c]);
      if (c < 256) continue;
      const std::uint32_t dist = item >> 16;
      const unsigned j = position_class(dist);
      if (p_bits) out_.put(p_code[j], pl.p_len[j]);
      if (j > 1) out_.put((dist - 1) & ((1u << (j - 1)) - 1), j - 1);
    }
  }

  BitOutput out_;
  Parser parser_;
  std::vector<std::uint32_t> items_;  // the codes not yet sent: C symbol, distance << 16
  Counts<kNP> block_, chunk_;         // items_ is the block's codes, then the chunk's
  int literal_cost_ = 16 * 8;
  std::array<int, kMaxMatch + 1> length_cost_{};
  std::array<int, kNP> class_cost_{};
};

}  // namespace

std::unique_ptr<Encoder> make_lh5_encoder(std::vector<std::uint8_t>& out) {
  return std::make_unique<LhxEncoder<13>>(out);
}
std::unique_ptr<Encoder> make_lh6_encoder(std::vector<std::uint8_t>& out) {
  return std::make_unique<LhxEncoder<15>>(out);
}
std::unique_ptr<Encoder> make_lh7_encoder(std::vector<std::uint8_t>& out) {
  return std::make_unique<LhxEncoder<16>>(out);
}

}  // namespace relvo::lzh
