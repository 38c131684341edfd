// Fuzz target for one decoder (RELVO_LZH_METHOD): the first two bytes give
// the output size, the rest is the packed data.
#include <cstdint>

#include "archive/decoder.h"
#include "memory_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t out_size = (data[0] | (data[1] << 8)) * 4u;
  relvo::fuzz::MemorySource src(data + 2, size - 2);
  relvo::lzh::BitInput in(src, size - 2);
  std::uint16_t crc = 0;
  relvo::lzh::decode_member(*relvo::lzh::find_method(RELVO_LZH_METHOD), in, out_size, nullptr, crc);
  return 0;
}
