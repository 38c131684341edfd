// Fuzz target for one decoder (RELVO_LZH_METHOD, as a member of header
// level RELVO_LZH_LEVEL with OS type RELVO_LZH_OS would have it, in its
// second reading when RELVO_LZH_OTHER is 1): the first two bytes give the
// output size, the rest is the packed data.
#include <cstdint>

#include "archive/decoder.h"
#include "base/byte_source.h"

#ifndef RELVO_LZH_LEVEL
#define RELVO_LZH_LEVEL 2
#endif
#ifndef RELVO_LZH_OS
#define RELVO_LZH_OS 'M'
#endif
#ifndef RELVO_LZH_OTHER
#define RELVO_LZH_OTHER 0
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t out_size = (data[0] | (data[1] << 8)) * 4u;
  relvo::MemoryByteSource src(data + 2, size - 2);
  relvo::lzh::BitInput in(src, size - 2);
  std::uint16_t crc = 0;
  const relvo::lzh::MethodSpec* spec = relvo::lzh::find_method(RELVO_LZH_METHOD, RELVO_LZH_LEVEL, RELVO_LZH_OS);
  if (RELVO_LZH_OTHER) spec = spec->other;
  relvo::lzh::decode_member(*spec, in, out_size, nullptr, crc);
  return 0;
}
