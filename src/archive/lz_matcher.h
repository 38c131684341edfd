// The LZ77 side of the encoders: a sliding buffer over a member's data,
// hash chains of three-byte prefixes, and a lazy parse into literals and
// matches that refer at most a window back.
#pragma once
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace relvo::lzh {

// How hard the parse looks. A match of at least nice bytes ends the search
// at a position; after a match of at least good bytes the next position
// looks at a quarter of the chain; a match of at least lazy bytes is taken
// without looking one byte further; a match of the shortest length that
// reaches further back than too_far is not worth its position bits.
struct MatchTuning {
  unsigned max_chain = 1024;
  unsigned nice = 256;
  unsigned good = 32;
  unsigned lazy = 256;
  std::uint32_t too_far = 4096;
};

// Parses with matches of MinMatch to MaxMatch bytes at distances of 1 to
// 2^WindowBits - 1.
template <unsigned WindowBits, unsigned MinMatch, unsigned MaxMatch>
class LzParser {
  static_assert(MinMatch == 3, "the hash covers three bytes");

 public:
  static constexpr std::uint32_t kWindow = std::uint32_t(1) << WindowBits;
  static constexpr std::uint32_t kMaxDist = kWindow - 1;

  explicit LzParser(const MatchTuning& t)
      : t_(t), buf_(kCapacity + kSlop), head_(std::size_t(1) << kHashBits), prev_(kWindow) {}

  // Copies as much of data[0..n) into the buffer as fits, making room by
  // dropping what lies more than a window behind the parse. Returns how
  // many bytes were taken; parse() makes room for more.
  std::size_t fill(const std::uint8_t* data, std::size_t n) {
    if (end_ == kCapacity) slide();
    const std::size_t k = std::min(n, kCapacity - end_);
    std::memcpy(buf_.data() + end_, data, k);
    end_ += k;
    return k;
  }

  // Parses the buffered data into out.literal(byte) and out.match(length,
  // distance) calls: all of it when last (the member's end), else what
  // leaves a whole longest match and one byte ahead of the parse.
  template <class Out>
  void parse(Out& out, bool last) {
    const std::size_t stop = last ? end_ : end_ > kLookahead ? end_ - kLookahead : 0;
    while (cur_ < stop) {
      const std::size_t avail = end_ - cur_;
      unsigned len = MinMatch - 1;
      std::uint32_t dist = 0;
      if (avail >= MinMatch) {
        const std::uint32_t cand = insert(cur_);
        if (cand && prev_len_ < t_.lazy)
          longest(cand, static_cast<unsigned>(std::min<std::size_t>(avail, MaxMatch)), len, dist);
        if (len == MinMatch && dist > t_.too_far) len = MinMatch - 1;
      }
      if (pending_ && prev_len_ >= MinMatch && len <= prev_len_) {
        // The match found one byte back is at least as long: take it.
        out.match(prev_len_, prev_dist_);
        const std::size_t after = cur_ - 1 + prev_len_;
        for (std::size_t p = cur_ + 1; p < after && end_ - p >= MinMatch; ++p) insert(p);
        cur_ = after;
        pending_ = false;
        prev_len_ = MinMatch - 1;
        continue;
      }
      if (pending_) out.literal(buf_[cur_ - 1]);
      pending_ = true;
      prev_len_ = len;
      prev_dist_ = dist;
      ++cur_;
    }
    if (last && pending_) {
      out.literal(buf_[cur_ - 1]);
      pending_ = false;
    }
  }

 private:
  static constexpr unsigned kHashBits = 16;
  static constexpr std::size_t kLookahead = MaxMatch + 1;
  // Room for a window behind the parse and the same again ahead of it.
  static constexpr std::size_t kCapacity = std::max<std::size_t>(2 * kWindow + 2 * kLookahead, 1 << 18);
  static constexpr std::size_t kSlop = 16;  // word compares read a little past the data

  void slide() {
    // The pending match's source lies at most a window behind the parse.
    const std::size_t shift = cur_ - kWindow;
    std::memmove(buf_.data(), buf_.data() + shift, end_ - shift);
    base_ += shift;
    cur_ -= shift;
    end_ -= shift;
  }

  static std::uint32_t hash(const std::uint8_t* p) {
    const std::uint32_t v = std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
    return (v * 0x9E3779B1u) >> (32 - kHashBits);
  }

  // Enters buffer position i in its chain; returns the chain's previous
  // head (a position plus one, 0 for none). Positions count from the
  // member's start, so the tables never move.
  std::uint32_t insert(std::size_t i) {
    const std::uint32_t abs = static_cast<std::uint32_t>(base_ + i);
    std::uint32_t& h = head_[hash(buf_.data() + i)];
    const std::uint32_t old = h;
    h = abs + 1;
    prev_[abs & (kWindow - 1)] = old;
    return old;
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

  // The longest match at the parse position along the chain from cand,
  // longer than len (which holds the pending match's length at least).
  void longest(std::uint32_t cand, unsigned max, unsigned& len, std::uint32_t& dist) {
    const std::uint8_t* const s = buf_.data() + cur_;
    const std::uint32_t at = static_cast<std::uint32_t>(base_ + cur_);
    unsigned best = std::max(len, prev_len_);
    if (best >= max) return;
    unsigned chain = prev_len_ >= t_.good ? t_.max_chain / 4 + 1 : t_.max_chain;
    while (cand && chain--) {
      const std::uint32_t from = cand - 1;
      const std::uint32_t d = at - from;
      if (d > kMaxDist) break;
      const std::uint8_t* const m = buf_.data() + (from - base_);
      if (m[best] == s[best] && m[0] == s[0] && m[1] == s[1]) {
        const unsigned k = common(s, m, max);
        if (k > best) {
          best = k;
          len = k;
          dist = d;
          if (k >= t_.nice || k >= max) break;
        }
      }
      cand = prev_[from & (kWindow - 1)];
    }
  }

  MatchTuning t_;
  std::vector<std::uint8_t> buf_;
  std::vector<std::uint32_t> head_, prev_;
  std::uint64_t base_ = 0;  // member position of buf_[0]
  std::size_t cur_ = 0, end_ = 0;
  bool pending_ = false;    // a literal or match found at cur_ - 1 waits
  unsigned prev_len_ = MinMatch - 1;
  std::uint32_t prev_dist_ = 0;
};

}  // namespace relvo::lzh
