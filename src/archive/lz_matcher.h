// The LZ77 side of the encoders: a sliding buffer over a member's data,
// hash chains of four-byte prefixes with the newest place of each
// three-byte one, and a lazy parse into literals and matches that refer at
// most a window back.
#pragma once
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace relvo::lzh {

// How hard the parse looks. A match of at least nice bytes ends the search
// at a position; after a match of at least good bytes the next position
// looks at a quarter of the chain; a match of at least lazy bytes is taken
// without looking one byte further.
struct MatchTuning {
  unsigned max_chain = 1024;
  unsigned nice = 256;
  unsigned good = 32;
  unsigned lazy = 256;
};

// Parses with matches of MinMatch to MaxMatch bytes at distances of 1 to
// 2^WindowBits - 1.
template <unsigned WindowBits, unsigned MinMatch, unsigned MaxMatch>
class LzParser {
  static_assert(MinMatch == 3, "the near table covers three bytes");

 public:
  static constexpr std::uint32_t kWindow = std::uint32_t(1) << WindowBits;
  static constexpr std::uint32_t kMaxDist = kWindow - 1;

  // Only the chain heads start cleared: a chain link is read only after
  // its position was entered, and a buffer byte only after it was filled
  // (word compares past the data read the slop, cleared at every fill).
  explicit LzParser(const MatchTuning& t)
      : t_(t),
        buf_(new std::uint8_t[kCapacity + kSlop]),
        head_(std::size_t(1) << kHashBits),
        head3_(std::size_t(1) << kHash3Bits),
        prev_(new std::uint32_t[kWindow]) {}

  // Copies as much of data[0..n) into the buffer as fits, making room by
  // dropping what lies more than a window behind the parse. Returns how
  // many bytes were taken; parse() makes room for more.
  std::size_t fill(const std::uint8_t* data, std::size_t n) {
    if (end_ == kCapacity) slide();
    const std::size_t k = std::min(n, kCapacity - end_);
    std::memcpy(buf_.get() + end_, data, k);
    end_ += k;
    std::memset(buf_.get() + end_, 0, kSlop);
    return k;
  }

  // Parses the buffered data into out.literal(byte) and out.match(length,
  // distance) calls: all of it when last (the member's end), else what
  // leaves a whole longest match and one byte ahead of the parse. Matches
  // are weighed by out.gain(length, distance): what a match saves against
  // literals, in any fixed unit; one that saves nothing is not taken.
  template <class Out>
  void parse(Out& out, bool last) {
    const std::size_t stop = last ? end_ : end_ > kLookahead ? end_ - kLookahead : 0;
    while (cur_ < stop) {
      const std::size_t avail = end_ - cur_;
      Found f;
      if (avail >= MinMatch) {
        const Heads c = insert(cur_);
        if ((c.near || c.chain) && held_.len < t_.lazy)
          longest(out, c, static_cast<unsigned>(std::min<std::size_t>(avail, MaxMatch)), f);
      }
      if (pending_ && held_.len >= MinMatch && f.gain <= held_.gain) {
        // The match found one byte back saves at least as much: take it.
        out.match(held_.len, held_.dist);
        const std::size_t after = cur_ - 1 + held_.len;
        for (std::size_t p = cur_ + 1; p < after && end_ - p >= MinMatch; ++p) insert(p);
        cur_ = after;
        pending_ = false;
        held_ = Found{};
        continue;
      }
      if (pending_) out.literal(buf_[cur_ - 1]);
      pending_ = true;
      held_ = f;
      ++cur_;
    }
    if (last && pending_) {
      out.literal(buf_[cur_ - 1]);
      pending_ = false;
    }
  }

 private:
  static constexpr unsigned kHashBits = 16, kHash3Bits = 14;
  static constexpr std::size_t kLookahead = MaxMatch + 1;
  // Room for a window behind the parse and the same again ahead of it.
  static constexpr std::size_t kCapacity = std::max<std::size_t>(2 * kWindow + 2 * kLookahead, 1 << 18);
  static constexpr std::size_t kSlop = 16;  // word compares read a little past the data

  void slide() {
    // The pending match's source lies at most a window behind the parse.
    const std::size_t shift = cur_ - kWindow;
    std::memmove(buf_.get(), buf_.get() + shift, end_ - shift);
    base_ += shift;
    cur_ -= shift;
    end_ -= shift;
  }

  static std::uint32_t load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
  static std::uint32_t hash3(const std::uint8_t* p) {
    const std::uint32_t v = std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
    return (v * 0x9E3779B1u) >> (32 - kHash3Bits);
  }
  static std::uint32_t hash4(const std::uint8_t* p) { return (load32(p) * 0x9E3779B1u) >> (32 - kHashBits); }

  // Where matches for a position are looked for (positions plus one, 0 for
  // none): the newest position with the same first three bytes, and the
  // chain of positions with the same first four.
  struct Heads {
    std::uint32_t near, chain;
  };

  // Enters buffer position i in the tables. Positions count from the
  // member's start, so the tables never move.
  Heads insert(std::size_t i) {
    const std::uint32_t abs = static_cast<std::uint32_t>(base_ + i);
    const std::uint8_t* const p = buf_.get() + i;
    Heads c{0, 0};
    std::uint32_t& h3 = head3_[hash3(p)];
    c.near = h3;
    h3 = abs + 1;
    if (end_ - i >= 4) {
      std::uint32_t& h = head_[hash4(p)];
      c.chain = h;
      h = abs + 1;
      prev_[abs & (kWindow - 1)] = c.chain;
    }
    return c;
  }

  // How many of the first max bytes of a and b agree.
  static unsigned common(const std::uint8_t* a, const std::uint8_t* b, unsigned max) {
    unsigned n = 0;
    while (n < max) {
      std::uint64_t x, y;
      std::memcpy(&x, a + n, 8);
      std::memcpy(&y, b + n, 8);
      if (x != y) {
        const unsigned k = n + static_cast<unsigned>(
                                   std::endian::native == std::endian::little ? std::countr_zero(x ^ y) / 8
                                                                              : std::countl_zero(x ^ y) / 8);
        return std::min(k, max);
      }
      n += 8;
    }
    return max;
  }

  // A match found at a position: none while len is below MinMatch.
  struct Found {
    unsigned len = MinMatch - 1;
    std::uint32_t dist = 0;
    int gain = 0;
  };

  // The match at the parse position that saves the most, among those
  // longer than the pending one: the near three-byte one, then along the
  // four-byte chain (nearest first, so a farther match must be longer).
  template <class Out>
  void longest(Out& out, Heads c, unsigned max, Found& f) {
    const std::uint8_t* const s = buf_.get() + cur_;
    const std::uint32_t at = static_cast<std::uint32_t>(base_ + cur_);
    unsigned best = std::max<unsigned>(MinMatch - 1, held_.len);
    if (best >= max) return;
    const auto consider = [&](unsigned k, std::uint32_t d) {
      const int g = out.gain(k, d);
      if (g <= f.gain) return;
      best = k;
      f = Found{k, d, g};
    };
    if (c.near) {
      const std::uint32_t d = at - (c.near - 1);
      const std::uint8_t* const m = s - d;
      if (d <= kMaxDist && m[0] == s[0] && m[1] == s[1] && m[2] == s[2]) {
        const unsigned k = common(s, m, max);
        if (k > best) consider(k, d);
        if (k >= t_.nice || k >= max) return;
      }
    }
    unsigned chain = held_.len >= t_.good ? t_.max_chain / 4 + 1 : t_.max_chain;
    const std::uint32_t first4 = max >= 4 ? load32(s) : 0;
    for (std::uint32_t cand = c.chain; cand && chain--;) {
      const std::uint32_t from = cand - 1;
      const std::uint32_t d = at - from;
      if (d > kMaxDist) break;
      const std::uint8_t* const m = s - d;
      if (m[best] == s[best] && load32(m) == first4) {
        const unsigned k = common(s, m, max);
        if (k > best) {
          consider(k, d);
          if (k >= t_.nice || k >= max) break;
        }
      }
      cand = prev_[from & (kWindow - 1)];
    }
  }

  MatchTuning t_;
  std::unique_ptr<std::uint8_t[]> buf_;
  std::vector<std::uint32_t> head_, head3_;
  std::unique_ptr<std::uint32_t[]> prev_;
  std::uint64_t base_ = 0;  // member position of buf_[0]
  std::size_t cur_ = 0, end_ = 0;
  bool pending_ = false;    // a literal or match found at cur_ - 1 waits
  Found held_;              // the match found there
};

}  // namespace relvo::lzh
