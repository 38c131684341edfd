// The fuzzer's input handed out as a byte source, for the targets whose
// parsers read through one.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/byte_source.h"

namespace relvo::fuzz {

class MemorySource final : public ByteSource {
 public:
  MemorySource(const std::uint8_t* d, std::size_t n) : d_(d), n_(n) {}
  std::size_t read(void* buf, std::size_t n) override {
    const std::size_t k = std::min(n, n_ - pos_);
    if (k) std::memcpy(buf, d_ + pos_, k);
    pos_ += k;
    return k;
  }

 private:
  const std::uint8_t* d_;
  std::size_t n_, pos_ = 0;
};

}  // namespace relvo::fuzz
