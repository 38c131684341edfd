// CRC-16 (0xA001 reflected) sixteen bytes at a time through sixteen tables,
// so that the check costs far less than the decoding it guards.
#include "archive/crc16.h"

#include <array>
#include <bit>
#include <cstring>

namespace relvo::lzh {

namespace {

constexpr unsigned kSlices = 16;
using Tables = std::array<std::array<std::uint16_t, 256>, kSlices>;

constexpr Tables make_tables() {
  Tables t{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xA001u : c >> 1;
    t[0][i] = static_cast<std::uint16_t>(c);
  }
  // t[k][i]: the CRC of byte i followed by k zero bytes.
  for (unsigned i = 0; i < 256; ++i)
    for (unsigned k = 1; k < kSlices; ++k)
      t[k][i] = static_cast<std::uint16_t>((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
  return t;
}

constexpr Tables kTables = make_tables();

std::uint64_t load_le64(const std::uint8_t* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  return w;
}

}  // namespace

std::uint16_t crc16(std::uint16_t crc, const void* data, std::size_t n) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  const auto& t = kTables;
  std::uint32_t c = crc;
  while (n >= 16) {
    const std::uint64_t a = load_le64(p) ^ c;
    const std::uint64_t b = load_le64(p + 8);
    c = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][(a >> 24) & 0xFF] ^
        t[11][(a >> 32) & 0xFF] ^ t[10][(a >> 40) & 0xFF] ^ t[9][(a >> 48) & 0xFF] ^ t[8][a >> 56] ^
        t[7][b & 0xFF] ^ t[6][(b >> 8) & 0xFF] ^ t[5][(b >> 16) & 0xFF] ^ t[4][(b >> 24) & 0xFF] ^
        t[3][(b >> 32) & 0xFF] ^ t[2][(b >> 40) & 0xFF] ^ t[1][(b >> 48) & 0xFF] ^ t[0][b >> 56];
    p += 16;
    n -= 16;
  }
  while (n--) c = (c >> 8) ^ t[0][(c ^ *p++) & 0xFF];
  return static_cast<std::uint16_t>(c);
}

}  // namespace relvo::lzh
