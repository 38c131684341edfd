// PMarc's methods (the CP/M archiver): -pm1- and -pm2-. Both send a
// literal as its place in a list of byte values kept most recent first, and
// both widen their codes as the output grows, since no copy can reach
// further back than the output so far.
#include <algorithm>
#include <array>

#include "archive/decoder.h"

namespace relvo::lzh {

namespace {

// The byte values, most recently output first. Before any output the
// printable characters lead, then the control characters, then 0xA0-0xDF
// (half-width katakana), 0x80-0x9F and 0xE0-0xFF.
class RecentBytes {
 public:
  RecentBytes() {
    unsigned i = 0;
    auto run = [&](unsigned from, unsigned to) {
      for (unsigned b = from; b <= to; ++b) order_[i++] = static_cast<std::uint8_t>(b);
    };
    run(0x20, 0x7F);
    run(0x00, 0x1F);
    run(0xA0, 0xDF);
    run(0x80, 0x9F);
    run(0xE0, 0xFF);
    for (unsigned k = 0; k < 256; ++k) place_[order_[k]] = static_cast<std::uint8_t>(k);
  }
  std::uint8_t at(unsigned rank) const { return order_[rank]; }
  // Moves b to the front.
  void use(std::uint8_t b) {
    const unsigned p = place_[b];
    for (unsigned k = p; k > 0; --k) {
      order_[k] = order_[k - 1];
      place_[order_[k]] = static_cast<std::uint8_t>(k);
    }
    order_[0] = b;
    place_[b] = 0;
  }

 private:
  std::array<std::uint8_t, 256> order_;
  std::array<std::uint8_t, 256> place_;
};

// A value sent as a class (a base and how many bits follow it).
struct Range {
  std::uint16_t base;
  std::uint8_t bits;
};

// A canonical prefix code of any length up to 31 bits (PMarc's trees are
// small but may be deep), read bit by bit.
class SmallCode {
 public:
  static constexpr unsigned kMaxLen = 31;
  // Lengths 0 (unused) to kMaxLen; false when over-subscribed or too long.
  // An incomplete code is taken; its missing codes fail when read.
  bool build(const std::uint8_t* lens, unsigned n) {
    single_ = -1;
    std::fill(std::begin(count_), std::end(count_), 0);
    for (unsigned s = 0; s < n; ++s) {
      if (lens[s] > kMaxLen) return false;
      ++count_[lens[s]];
    }
    count_[0] = 0;
    std::uint64_t left = 1;
    for (unsigned len = 1; len <= kMaxLen; ++len) {
      left <<= 1;
      if (count_[len] > left) return false;
      left -= count_[len];
    }
    unsigned offs[kMaxLen + 2] = {};
    for (unsigned len = 1; len <= kMaxLen; ++len) offs[len + 1] = offs[len] + count_[len];
    for (unsigned s = 0; s < n; ++s)
      if (lens[s]) symbol_[offs[lens[s]]++] = static_cast<std::uint8_t>(s);
    built_ = true;
    return true;
  }
  // A code that is sym alone, read with no bits.
  void build_single(unsigned sym) {
    single_ = static_cast<int>(sym);
    built_ = true;
  }
  bool built() const { return built_; }

  // The next symbol; -1 for a code that does not exist.
  int decode(BitInput& in) const {
    if (single_ >= 0) return single_;
    in.refill();
    const std::uint32_t bits = in.peek(32);
    std::uint32_t code = 0, first = 0;
    unsigned index = 0;
    for (unsigned len = 1; len <= kMaxLen; ++len) {
      code |= (bits >> (32 - len)) & 1;
      if (code - first < count_[len]) {
        in.skip(static_cast<int>(len));
        return symbol_[index + code - first];
      }
      index += count_[len];
      first = (first + count_[len]) << 1;
      code <<= 1;
    }
    return -1;
  }

 private:
  std::uint32_t count_[kMaxLen + 1] = {};
  std::uint8_t symbol_[32] = {};
  int single_ = -1;
  bool built_ = false;
};

// ---- -pm2- ----
//
// One prefix code for literals and copies, rebuilt as the output grows:
// codes 0-7 are literal classes (a place in the recent-bytes list), codes
// 8-22 copies of 2 to 16 bytes, 23-27 copy length classes (17-255), and 28
// a copy of 256 bytes of the last byte. A copy's distance is six plain bits
// for 2 bytes, else a class from a second code (bit counts 6 to 12) and its
// bits. The codes come at the start (after one unused bit) and again after
// 1, 2, 4 KiB of output and every 4 KiB after that, in 8 KiB of history.
class Pm2Decoder final : public Decoder {
 public:
  DecodeStatus decode(BitInput& in, OutputWindow& out) override {
    if (out.left() == 0) return DecodeStatus::Ok;
    in.refill();
    in.skip(1);
    if (!read_code(in) || !read_offsets(in, 5)) return fault(in);
    std::uint64_t done = 0, rebuild_at = 1024;
    unsigned stage = 1;
    while (out.left() > 0) {
      if (done >= rebuild_at) {
        if (!rebuild(in, stage, rebuild_at)) return fault(in);
        continue;
      }
      const int code = code_.decode(in);
      if (code < 0) return fault(in);
      in.refill();
      if (code < 8) {
        const Range r = kLiteral[code];
        const std::uint8_t b = recent_.at(r.base + in.get(r.bits));
        out.put(b);
        recent_.use(b);
        ++done;
      } else {
        const unsigned k = static_cast<unsigned>(code) - 8;
        if (k > 20) return DecodeStatus::BadData;
        std::size_t len = k + 2;
        if (k >= 15) {
          const Range r = kLength[k - 15];
          len = r.base + in.get(r.bits);
        }
        std::size_t dist = 1;  // the 256-byte copy repeats the last byte
        if (k == 0) {
          dist += in.get(6);
        } else if (k < 20) {
          if (!offsets_.built()) return DecodeStatus::BadData;
          const int v = offsets_.decode(in);
          if (v < 0) return fault(in);
          in.refill();
          const unsigned bits = v == 0 ? 6 : static_cast<unsigned>(v) + 5;
          dist += (v == 0 ? 0 : std::size_t(1) << bits) + in.get(static_cast<int>(bits));
        }
        copy(out, dist, len);
        done += len;
      }
      if (in.overrun()) return DecodeStatus::Truncated;
    }
    return DecodeStatus::Ok;
  }

 private:
  static constexpr Range kLiteral[8] = {{0, 3}, {8, 3}, {16, 4}, {32, 5}, {64, 5}, {96, 5}, {128, 6}, {192, 6}};
  static constexpr Range kLength[6] = {{17, 3}, {25, 3}, {33, 5}, {65, 6}, {129, 7}, {256, 0}};

  static DecodeStatus fault(const BitInput& in) {
    return in.overrun() ? DecodeStatus::Truncated : DecodeStatus::BadData;
  }

  // The bytes of a copy go through the recent-bytes list too.
  void copy(OutputWindow& out, std::size_t dist, std::size_t len) {
    if (len > out.left()) len = static_cast<std::size_t>(out.left());
    out.copy(dist, len);
    // Whether or not the window slid, the copy's bytes are the last len.
    const std::uint8_t* const at = out.cursor() - len;
    for (std::size_t i = 0; i < len; ++i) recent_.use(at[i]);
  }

  // The codes sent after `rebuild_at` bytes of output.
  bool rebuild(BitInput& in, unsigned& stage, std::uint64_t& rebuild_at) {
    in.refill();
    bool ok = true;
    switch (stage) {
      case 1:
        ok = read_offsets(in, 6);
        rebuild_at += 1024;
        break;
      case 2:
        ok = read_offsets(in, 7);
        rebuild_at += 2048;
        break;
      case 3:
        if (in.get(1)) ok = read_code(in);
        ok = ok && read_offsets(in, 8);
        rebuild_at += 4096;
        break;
      default:
        if (in.get(1)) ok = read_code(in) && read_offsets(in, 8);
        rebuild_at += 4096;
        break;
    }
    if (stage < 4) ++stage;
    return ok && !in.overrun();
  }

  // The literal and copy code: how many codes (5 bits), the shortest length
  // (3 bits; 0: one code, the last, read with no bits), the bits per length
  // (3 bits), then a length per code, 0 for unused, else shortest + n - 1.
  bool read_code(BitInput& in) {
    in.refill();
    const unsigned n = in.get(5);
    const unsigned min = in.get(3);
    // A code of fewer than ten symbols has no copy that needs a distance
    // class, nor has one of the 256-byte copy alone.
    need_offsets_ = n >= 10 && !(n == 29 && min == 0);
    if (min == 0) {
      if (n == 0) return false;
      code_.build_single(n - 1);
      return true;
    }
    const unsigned width = in.get(3);
    std::uint8_t lens[31];
    for (unsigned i = 0; i < n; ++i) {
      in.refill();
      const unsigned v = in.get(static_cast<int>(width));
      lens[i] = static_cast<std::uint8_t>(v == 0 ? 0 : std::min(min + v - 1, 255u));
    }
    return code_.build(lens, n);
  }

  // The distance class code over n classes: a 3-bit length for each. One
  // class alone is read with no bits. Sent only while the literal and copy
  // code needs it.
  bool read_offsets(BitInput& in, unsigned n) {
    if (!need_offsets_) return true;
    in.refill();
    std::uint8_t lens[8];
    unsigned used = 0, last = 0;
    for (unsigned i = 0; i < n; ++i) {
      lens[i] = static_cast<std::uint8_t>(in.get(3));
      if (lens[i]) {
        ++used;
        last = i;
      }
    }
    if (used == 1) {
      offsets_.build_single(last);
      return true;
    }
    return offsets_.build(lens, n);
  }

  SmallCode code_, offsets_;
  RecentBytes recent_;
  bool need_offsets_ = false;
};

// ---- -pm1- ----
//
// No transmitted codes: the stream starts with the number (5 bits) of one
// of 32 fixed trees for the literal classes, then runs of commands. A 1 bit
// starts a block of 1 to 216 literals, which a copy follows unless the
// block is full; a 0 bit starts a copy. A copy's kind (two bytes or more,
// and how far back) has a code whose longer branches open only once the
// output has grown past 64, 576 and 2624 bytes, and the far kinds use fewer
// bits while the output is short. Copies reach back at most 10816 bytes
// and never before the first byte.
class Pm1Decoder final : public Decoder {
 public:
  DecodeStatus decode(BitInput& in, OutputWindow& out) override {
    if (out.left() == 0) return DecodeStatus::Ok;
    in.refill();
    tree_ = kTrees[in.get(5)];
    while (out.left() > 0) {
      in.refill();
      DecodeStatus st;
      if (in.get(1) == 0) {
        st = copy(in, out);
      } else {
        const unsigned n = block_length(in);
        for (unsigned i = 0; i < n && out.left() > 0; ++i) {
          const std::uint8_t b = recent_.at(literal_rank(in));
          out.put(b);
          recent_.use(b);
          ++done_;
        }
        st = n < kMaxBlock && out.left() > 0 ? copy(in, out) : DecodeStatus::Ok;
      }
      if (st != DecodeStatus::Ok) return st;
      if (in.bits_past_end() > zero_tail() * 8) return DecodeStatus::Truncated;
    }
    return DecodeStatus::Ok;
  }

  // Archives exist whose last command reads a little past the data; the
  // original extractor reads zeros there.
  unsigned zero_tail() const override { return 32; }

 private:
  static constexpr unsigned kMaxBlock = 216;

  // The 32 literal class trees, leaves a-f standing for classes 0-5 (a
  // rank of 0-15, 16-31, 32-63, 64-127, 128-191, 192-255): a pair is a
  // node, its first half taken on a 0 bit. Tree 17 reaches d and e twice
  // and never a, b or f, and tree 31 is class 0 read with no bits: that is
  // how the format has them.
  static constexpr const char* kTrees[32] = {
      "((((ab)c)d)(ef))", "(((ab)(cf))(de))", "(((ab)c)(d(ef)))", "((a(bc))(d(ef)))",
      "((a(bd))(c(ef)))", "((a(b(ef)))(cd))", "((ab)((cd)(ef)))", "((ab)((c(ef))d))",
      "((ab)(c(d(ef))))", "(a(((bf)c)(de)))", "(a(((b(ef))c)d))", "(a(((bc)d)(ef)))",
      "(a((b(cf))(de)))", "(a((bc)(d(ef))))", "(a((b(d(ef)))c))", "(a(b((cd)(ef))))",
      "(a(b(c(d(ef)))))", "(((de)c)(de))",    "((a(be))(cd))",    "((ab)(c(de)))",
      "(a(((be)c)d))",    "(a((bc)(de)))",    "(a((b(de))c))",    "(a(b(c(de))))",
      "(((ab)c)d)",       "((a(bd))c)",       "((ab)(cd))",       "(a((bd)c))",
      "(a(b(cd)))",       "(a(bc))",          "(ab)",             "a",
  };
  static constexpr Range kLiteral[6] = {{0, 4}, {16, 4}, {32, 5}, {64, 6}, {128, 6}, {192, 6}};

  // Walks the tree text: at a pair, a 0 bit takes the first half, so the
  // second half is found by skipping the first.
  static unsigned literal_class(BitInput& in, const char* t) {
    while (*t == '(') {
      ++t;  // into the pair
      if (in.get(1)) t = skip(t);
    }
    return static_cast<unsigned>(*t - 'a');
  }
  static const char* skip(const char* t) {
    int depth = 0;
    do {
      if (*t == '(') ++depth;
      if (*t == ')') --depth;
      ++t;
    } while (depth > 0);
    return t;
  }

  unsigned literal_rank(BitInput& in) {
    in.refill();
    const Range r = kLiteral[literal_class(in, tree_)];
    return r.base + in.get(r.bits);
  }

  // Literal block lengths: 1-3 in 2 bits, 4-10 in 3 more, 11-24 in 4 more,
  // then 25-88 in 6 more or 89-216 in 7 more.
  static unsigned block_length(BitInput& in) {
    unsigned x = in.get(2);
    if (x < 3) return x + 1;
    x = in.get(3);
    if (x < 7) return x + 4;
    x = in.get(4);
    if (x < 14) return x + 11;
    return x == 14 ? in.get(6) + 25 : in.get(7) + 89;
  }

  // Copy lengths of three or more: 3-5 in 2 bits, 6-10 in 3 more, then
  // 11-14 and 15-22 in 2 and 3 more, 23-84 in 6 more, 85-116 and 117-244
  // in 5 and 7 after those.
  static unsigned copy_length(BitInput& in) {
    unsigned x = in.get(2);
    if (x < 3) return x + 3;
    x = in.get(3);
    if (x < 5) return x + 6;
    if (x == 5) return in.get(2) + 11;
    if (x == 6) return in.get(3) + 15;
    x = in.get(6);
    if (x < 62) return x + 23;
    return x == 62 ? in.get(5) + 85 : in.get(7) + 117;
  }

  // A bit that is sent only once the output has reached `from` bytes;
  // before that it is fixed.
  unsigned bit_from(BitInput& in, std::uint64_t from, unsigned fixed) const {
    return done_ >= from ? in.get(1) : fixed;
  }

  // The copy kinds: 0 and 1 copy two bytes from 1-64 and 65-320 back; 2 to
  // 5 copy three or more from 1-64, 65-576, 577-2624 and 2625-10816 back.
  unsigned copy_kind(BitInput& in) const {
    if (in.get(1) == 0) {
      if (bit_from(in, 576, 0)) return 4;
      return bit_from(in, 64, 0);
    }
    if (bit_from(in, 64, 1) == 0) return 3;
    return bit_from(in, 2624, 1) ? 2 : 5;
  }

  // The distance range of a kind at the current output size: the far kinds
  // send fewer bits while fewer bytes lie behind.
  Range distance_range(unsigned kind) const {
    switch (kind) {
      case 0:
      case 2: return {0, 6};
      case 1: return {64, 8};
      case 3: return {64, static_cast<std::uint8_t>(done_ < 320 ? 8 : 9)};
      case 4: {
        const std::uint8_t bits = done_ < 832 ? 8 : done_ < 1088 ? 9 : done_ < 1600 ? 10 : 11;
        return {576, bits};
      }
      default: {
        const std::uint8_t bits = done_ < 2880   ? 8
                                  : done_ < 3136 ? 9
                                  : done_ < 3648 ? 10
                                  : done_ < 4672 ? 11
                                  : done_ < 6720 ? 12
                                                 : 13;
        return {2624, bits};
      }
    }
  }

  DecodeStatus copy(BitInput& in, OutputWindow& out) {
    in.refill();
    const unsigned kind = copy_kind(in);
    const std::size_t len = kind < 2 ? 2 : copy_length(in);
    in.refill();
    const Range r = distance_range(kind);
    const std::size_t back = r.base + in.get(r.bits);
    if (back >= done_) return DecodeStatus::BadData;
    const std::size_t n = len < out.left() ? len : static_cast<std::size_t>(out.left());
    out.copy(back + 1, n);
    const std::uint8_t* const at = out.cursor() - n;
    for (std::size_t i = 0; i < n; ++i) recent_.use(at[i]);
    done_ += n;
    return DecodeStatus::Ok;
  }

  const char* tree_ = nullptr;
  RecentBytes recent_;
  std::uint64_t done_ = 0;
};

}  // namespace

std::unique_ptr<Decoder> make_pm1_decoder() { return std::make_unique<Pm1Decoder>(); }
std::unique_ptr<Decoder> make_pm2_decoder() { return std::make_unique<Pm2Decoder>(); }

}  // namespace relvo::lzh
