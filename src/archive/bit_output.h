// Packed data as a stream of bits, most significant bit first (the order
// BitInput reads), appended to a byte vector.
#pragma once
#include <cstdint>
#include <vector>

namespace relvo::lzh {

class BitOutput {
 public:
  // Appends to out, which must outlive this object.
  explicit BitOutput(std::vector<std::uint8_t>& out) : out_(out) {}

  // Appends the n low bits of v (n at most 32; the bits above n are zero).
  void put(std::uint32_t v, unsigned n) {
    acc_ = (acc_ << n) | v;
    count_ += n;
    if (count_ >= 32) {
      count_ -= 32;
      const auto w = static_cast<std::uint32_t>(acc_ >> count_);
      const std::uint8_t b[4] = {static_cast<std::uint8_t>(w >> 24), static_cast<std::uint8_t>(w >> 16),
                                 static_cast<std::uint8_t>(w >> 8), static_cast<std::uint8_t>(w)};
      out_.insert(out_.end(), b, b + 4);
    }
  }
  // Writes out what is held, the last byte filled with zero bits.
  void flush() {
    while (count_ >= 8) {
      count_ -= 8;
      out_.push_back(static_cast<std::uint8_t>(acc_ >> count_));
    }
    if (count_) out_.push_back(static_cast<std::uint8_t>(acc_ << (8 - count_)));
    count_ = 0;
    acc_ = 0;
  }
  // Bytes appended so far, and those held.
  std::uint64_t size() const { return out_.size() + (count_ + 7) / 8; }

 private:
  std::vector<std::uint8_t>& out_;
  std::uint64_t acc_ = 0;
  unsigned count_ = 0;  // bits held in the low end of acc_, below 32 between calls
};

}  // namespace relvo::lzh
