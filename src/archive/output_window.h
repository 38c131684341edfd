// Where decoders put their output: the method's sliding window followed by
// room for new bytes, handed on to a sink (and checked) in large pieces.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>

namespace relvo::lzh {

// Receives a member's decoded bytes in order. May throw (the file layer's
// FileError); the decoder then stops and the exception reaches the caller.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  virtual void write(const std::uint8_t* data, std::size_t n) = 0;
};

class OutputWindow {
 public:
  // The longest match any method emits, with room to spare.
  static constexpr std::size_t kMaxMatch = 1024;

  // window: the history the method may refer back to (a power of two, or 0
  // for the stored method). The buffer holds the window and a piece of new
  // output, so memory depends on the method alone. sink may be null (test).
  OutputWindow(std::size_t window, std::uint64_t size, OutputSink* sink);

  // Fills the history before the first byte (what a match reaching back
  // before the start copies): fill(i) for i in [0, window).
  template <class F>
  void preset(F fill) {
    for (std::size_t i = 0; i < window_; ++i) buf_[i] = fill(i);
  }
  // The same with one byte value throughout.
  void preset_all(std::uint8_t b) { std::memset(buf_.get(), b, window_); }

  std::uint64_t left() const { return left_; }
  std::size_t window() const { return window_; }

  void put(std::uint8_t b) {
    buf_[pos_++] = b;
    --left_;
    if (pos_ >= limit_) slide();
  }
  // Copies len bytes from dist back (1 <= dist <= window), overlapping as an
  // LZ77 copy does; a match running past the member's size is cut there.
  void copy(std::size_t dist, std::size_t len) {
    if (len > left_) len = static_cast<std::size_t>(left_);
    copy_match(buf_.get() + pos_, dist, len);
    pos_ += len;
    left_ -= len;
    if (pos_ >= limit_) slide();
  }

  // A decoder's inner loop writes through a pointer of its own: from
  // cursor() on, whole literals and matches of at most max_match bytes, as
  // long as it starts each one before fast_end(max_match), then hands the
  // pointer back with advance(). Within that stretch neither the slide
  // point nor the member's end can be crossed, so no byte needs a check.
  std::uint8_t* cursor() { return buf_.get() + pos_; }
  const std::uint8_t* fast_end(std::size_t max_match) const {
    if (left_ <= max_match) return buf_.get() + pos_;
    const std::uint64_t n = left_ - max_match;
    return buf_.get() + (n < limit_ - pos_ ? pos_ + static_cast<std::size_t>(n) : limit_);
  }
  void advance(const std::uint8_t* p) {
    const std::size_t n = static_cast<std::size_t>(p - (buf_.get() + pos_));
    pos_ += n;
    left_ -= n;
    if (pos_ >= limit_) slide();
  }
  // The match copy for such a loop: len bytes from dist back to d. It may
  // write up to kCopySlop bytes past d + len, which the buffer has room for
  // and later output overwrites.
  static constexpr std::size_t kCopySlop = 16;
  static void copy_match(std::uint8_t* d, std::size_t dist, std::size_t len) {
    const std::uint8_t* s = d - dist;
    if (dist >= 16) {
      // With dist >= 16 a chunk never reads what it writes.
      std::uint8_t* const e = d + len;
      do {
        std::memcpy(d, s, 16);
        d += 16;
        s += 16;
      } while (d < e);
    } else if (dist == 1) {
      std::memset(d, *s, len);
    } else if (dist >= 8) {
      std::uint8_t* const e = d + len;
      do {
        std::memcpy(d, s, 8);
        d += 8;
        s += 8;
      } while (d < e);
    } else {
      // A period of 2 to 7: byte by byte until the pattern repeats from a
      // multiple of the period at least eight back, then eight at a time
      // from there.
      const std::size_t far = dist * ((7 + dist) / dist);
      const std::size_t head = len < far - dist ? len : far - dist;
      std::size_t i = 0;
      for (; i < head; ++i) d[i] = s[i];
      for (; i < len; i += 8) std::memcpy(d + i, d + i - far, 8);
    }
  }
  // Room for n raw bytes at the end of the output (the stored method):
  // returns where to write at most room() bytes, then commit(n).
  std::uint8_t* tail() { return buf_.get() + pos_; }
  std::size_t room() const { return limit_ + kMaxMatch - pos_; }
  void commit(std::size_t n) {
    pos_ += n;
    left_ -= n;
    if (pos_ >= limit_) slide();
  }

  // Hands the rest to the sink. Returns the CRC-16 of everything written.
  std::uint16_t finish();

 private:
  void slide();

  std::size_t window_;
  std::size_t cap_, limit_;
  std::unique_ptr<std::uint8_t[]> buf_;
  std::size_t pos_, flushed_;
  std::uint64_t left_;
  OutputSink* sink_;
  std::uint16_t crc_ = 0;
};

}  // namespace relvo::lzh
