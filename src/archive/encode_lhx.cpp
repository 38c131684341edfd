// The static Huffman family's encoder: -lh5-, -lh6- and -lh7- (dictionaries
// of 8, 32 and 64 KiB), one source parameterised by the dictionary size,
// writing the coding that decode_lhx.cpp reads (lhx_coding.h).
#include <algorithm>
#include <array>

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

// The code lengths of a block's three tables, and what the block costs in
// bits (its extra position bits left out: they are the same however the
// codes are grouped into blocks).
template <unsigned NP>
struct Plan {
  std::array<std::uint8_t, kNC> c_len{};
  std::array<std::uint8_t, kNT> t_len{};
  std::array<std::uint8_t, NP> p_len{};
  unsigned c_used = 0, t_used = 0, p_used = 0;
  int c_single = 0, t_single = 0, p_single = 0;  // the symbol of a table with one
  std::uint64_t bits = 0;
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

// The bits a T or P length takes: 3, or 3 and one more per step above 6.
unsigned length_bits(unsigned len) { return len < 7 ? 3 : len - 3; }

// The bits of a T or P table sent in full (see write_lengths).
unsigned table_bits(const std::uint8_t* len, unsigned n, unsigned nbit, int special) {
  n = sent(len, n);
  unsigned bits = nbit;
  for (unsigned i = 0; i < n;) {
    bits += length_bits(len[i++]);
    if (static_cast<int>(i) == special) {
      unsigned z = 0;
      while (z < 3 && i < n && len[i] == 0) ++z, ++i;
      bits += 2;
    }
  }
  return bits;
}

template <unsigned NP>
Plan<NP> plan(const Counts<NP>& k) {
  Plan<NP> pl;
  std::uint64_t bits = 16;
  pl.c_used = code_lengths(k.c.data(), kNC, kMaxCodeLength, pl.c_len.data());
  if (pl.c_used <= 1) {
    pl.c_single = static_cast<int>(std::find(pl.c_len.begin(), pl.c_len.end(), 1) - pl.c_len.begin());
    bits += 2 * kTBit + 2 * kCBit;
  } else {
    std::array<std::uint32_t, kNT> t{};
    std::uint64_t extra = 0;
    c_lengths_as_t(pl.c_len.data(), sent(pl.c_len.data(), kNC), [&](unsigned s, unsigned, unsigned eb) {
      ++t[s];
      extra += eb;
    });
    pl.t_used = code_lengths(t.data(), kNT, kMaxCodeLength, pl.t_len.data());
    if (pl.t_used == 1) {
      pl.t_single = static_cast<int>(std::find(pl.t_len.begin(), pl.t_len.end(), 1) - pl.t_len.begin());
      bits += 2 * kTBit;
    } else {
      bits += table_bits(pl.t_len.data(), kNT, kTBit, kTSpecial);
      for (unsigned s = 0; s < kNT; ++s) bits += std::uint64_t(t[s]) * pl.t_len[s];
    }
    bits += kCBit + extra;
    for (unsigned s = 0; s < kNC; ++s) bits += std::uint64_t(k.c[s]) * pl.c_len[s];
  }
  pl.p_used = code_lengths(k.p.data(), NP, kMaxCodeLength, pl.p_len.data());
  if (pl.p_used <= 1) {
    pl.p_single = pl.p_used ? static_cast<int>(std::find(pl.p_len.begin(), pl.p_len.end(), 1) - pl.p_len.begin()) : 0;
    bits += 2 * pbit(NP - 1);
  } else {
    bits += table_bits(pl.p_len.data(), NP, pbit(NP - 1), -1);
    for (unsigned s = 0; s < NP; ++s) bits += std::uint64_t(k.p[s]) * pl.p_len[s];
  }
  pl.bits = bits;
  return pl;
}

template <unsigned DicBits>
class LhxEncoder final : public Encoder {
  static constexpr unsigned kNP = np(DicBits);
  static constexpr unsigned kPBit = pbit(DicBits);
  static_assert(pbit(kNP - 1) == kPBit);
  using Parser = LzParser<DicBits, kMinMatch, kMaxMatch>;
  // Blocks are grown a chunk of codes at a time: a chunk whose statistics
  // differ enough from the block's so far starts a block of its own.
  static constexpr std::uint32_t kChunk = 4096;

 public:
  explicit LhxEncoder(std::vector<std::uint8_t>& out) : out_(out), parser_(tuning()) {
    items_.reserve(kMaxBlockCodes);
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

  // The parser's output.
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
  static MatchTuning tuning() {
    MatchTuning t;
    t.max_chain = DicBits >= 15 ? 1024 : 512;
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
      const Plan<kNP> alone = plan(block_);
      if (alone.bits + plan(chunk_).bits < plan(joined).bits) {
        send_block(block_.codes, alone);
        items_.erase(items_.begin(), items_.begin() + block_.codes);
        block_ = Counts<kNP>{};
      }
    }
    block_.add(chunk_);
    chunk_ = Counts<kNP>{};
    if (block_.codes + kChunk > kMaxBlockCodes) {
      send_block(block_.codes, plan(block_));
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
