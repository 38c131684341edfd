// The packed data of one member as a stream of bits, most significant bit
// first, read from a byte source and never past the member's packed size.
#pragma once
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#include "base/byte_source.h"

namespace relvo::lzh {

class BitInput {
 public:
  // Reads at most packed_size bytes of src. src must outlive this object.
  BitInput(ByteSource& src, std::uint64_t packed_size);

  // Makes at least 56 bits available. Past the member's end the bits read
  // as zeros; overrun() tells whether a decoder has used any of them.
  void refill() {
    if (end_ - pos_ >= 8) {
      std::uint64_t w;
      std::memcpy(&w, buf_.get() + pos_, 8);
      w = to_big_endian(w);
      bits_ |= w >> count_;
      pos_ += (63 - count_) >> 3;
      count_ |= 56;
    } else {
      refill_slow();
    }
  }
  // The next bits, left-aligned.
  std::uint64_t bits() const { return bits_; }
  // The next n bits (0..32) without consuming them; needs count() >= n.
  std::uint32_t peek(int n) const { return static_cast<std::uint32_t>((bits_ >> 1) >> (63 - n)); }
  void skip(int n) {
    bits_ <<= n;
    count_ -= n;
  }
  // Consumes and returns n bits (0..32), refilling as needed.
  std::uint32_t get(int n) {
    if (count_ < n) refill();
    const std::uint32_t v = peek(n);
    skip(n);
    return v;
  }
  int count() const { return count_; }

  // A decoder's inner loop keeps the reader's state in locals: take() it,
  // refill with refill_at() from places covered by fast_limit() (whole
  // bytes of the member ahead, so no check and no overrun), and give() it
  // back before any other call.
  struct State {
    const std::uint8_t* cursor;
    std::uint64_t bits;
    int count;
  };
  State take() const { return {buf_.get() + pos_, bits_, count_}; }
  void give(const State& s) {
    pos_ = static_cast<std::size_t>(s.cursor - buf_.get());
    bits_ = s.bits;
    count_ = s.count;
  }
  // The last place from which ahead (at least 8) bytes are buffered; null
  // when fewer are. A loop that refills at most ahead / 8 times a round may
  // start a round while cursor <= fast_limit(ahead).
  const std::uint8_t* fast_limit(std::size_t ahead = 8) const {
    return end_ - pos_ >= ahead ? buf_.get() + end_ - ahead : nullptr;
  }
  static void refill_at(State& s) {
    std::uint64_t w;
    std::memcpy(&w, s.cursor, 8);
    s.bits |= to_big_endian(w) >> s.count;
    s.cursor += (63 - s.count) >> 3;
    s.count |= 56;
  }

  // True when more bits were consumed than the member holds.
  bool overrun() const { return std::uint64_t(padded_) * 8 > std::uint64_t(count_ < 0 ? 0 : count_); }
  // How many bits past the member's end were consumed (read as zeros); at
  // least 448 once that many were.
  unsigned bits_past_end() const {
    return overrun() ? padded_ * 8 - static_cast<unsigned>(count_ < 0 ? 0 : count_) : 0;
  }

  // Copies up to n whole bytes of the packed data (the stored method, which
  // never mixes bit reads in). Returns how many came; fewer at the end.
  std::size_t read_bytes(std::uint8_t* out, std::size_t n);

  // Reads and drops what is left of the member, so that the source stands
  // at the next header.
  void drain();

  // True when the source ended before the member's packed size.
  bool source_short() const { return source_short_; }

 private:
  static std::uint64_t to_big_endian(std::uint64_t w) {
    if constexpr (std::endian::native == std::endian::little) return __builtin_bswap64(w);
    return w;
  }
  void refill_slow();
  bool fill_buffer();

  static constexpr std::size_t kBufSize = 1 << 16;
  ByteSource& src_;
  std::uint64_t remaining_;  // bytes of the member not yet taken from src_
  std::unique_ptr<std::uint8_t[]> buf_;
  std::size_t pos_ = 0, end_ = 0;
  std::uint64_t bits_ = 0;
  int count_ = 0;
  unsigned padded_ = 0;  // zero bytes fed in after the member's end
  bool source_short_ = false;
};

}  // namespace relvo::lzh
