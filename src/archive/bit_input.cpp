// Refilling the bit reader from its byte source, and the byte-wise paths.
#include "archive/bit_input.h"

#include <algorithm>

namespace relvo::lzh {

BitInput::BitInput(ByteSource& src, std::uint64_t packed_size)
    : src_(src), remaining_(packed_size), buf_(new std::uint8_t[kBufSize]) {}

bool BitInput::fill_buffer() {
  if (remaining_ == 0) return false;
  if (pos_ > 0) {
    std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  bool got = false;
  while (end_ < kBufSize && remaining_ > 0) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kBufSize - end_, remaining_));
    const std::size_t n = src_.read(buf_.get() + end_, want);
    if (n == 0) {
      source_short_ = true;
      remaining_ = 0;
      break;
    }
    end_ += n;
    remaining_ -= n;
    got = true;
  }
  return got;
}

void BitInput::refill_slow() {
  fill_buffer();
  if (end_ - pos_ >= 8) {
    refill();
    return;
  }
  while (count_ < 56) {
    std::uint64_t b = 0;
    if (pos_ < end_)
      b = buf_[pos_++];
    else if (padded_ < 64)  // enough to tell an overrun; no more is ever needed
      ++padded_;
    bits_ |= b << (56 - count_);
    count_ += 8;
  }
}

std::size_t BitInput::read_bytes(std::uint8_t* out, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    if (pos_ == end_ && !fill_buffer()) break;
    const std::size_t k = std::min(n - done, end_ - pos_);
    std::memcpy(out + done, buf_.get() + pos_, k);
    pos_ += k;
    done += k;
  }
  return done;
}

void BitInput::drain() {
  pos_ = end_ = 0;
  while (remaining_ > 0) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kBufSize, remaining_));
    const std::size_t n = src_.read(buf_.get(), want);
    if (n == 0) {
      source_short_ = true;
      remaining_ = 0;
      break;
    }
    remaining_ -= n;
  }
}

}  // namespace relvo::lzh
