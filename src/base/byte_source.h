// The smallest reading interface: something that hands out bytes in order.
// The file layer's readers implement it, so base/ needs no platform header.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace relvo {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to n bytes into buf; returns how many came, 0 at the end.
  // Read failures are the implementation's to raise (the file layer throws
  // FileError).
  virtual std::size_t read(void* buf, std::size_t n) = 0;
};

// Bytes already in memory, handed out in order. Does not own them.
class MemoryByteSource final : public ByteSource {
 public:
  MemoryByteSource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::size_t read(void* buf, std::size_t n) override {
    const std::size_t k = std::min(n, size_ - pos_);
    if (k) std::memcpy(buf, data_ + pos_, k);
    pos_ += k;
    return k;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_, pos_ = 0;
};

}  // namespace relvo
