// Fuzz target for one decoder (RELVO_LZH_METHOD): the first two bytes give
// the output size, the rest is the packed data.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "archive/decoder.h"

namespace {
class Source final : public relvo::ByteSource {
 public:
  Source(const std::uint8_t* d, std::size_t n) : d_(d), n_(n) {}
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
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t out_size = (data[0] | (data[1] << 8)) * 4u;
  Source src(data + 2, size - 2);
  relvo::lzh::BitInput in(src, size - 2);
  std::uint16_t crc = 0;
  relvo::lzh::decode_member(*relvo::lzh::find_method(RELVO_LZH_METHOD), in, out_size, nullptr, crc);
  return 0;
}
