// CRC-16 (0xA001 reflected) with eight tables, so that the check costs far
// less than the decoding it guards.
#include "archive/crc16.h"

#include <array>

namespace relvo::lzh {

namespace {

using Tables = std::array<std::array<std::uint16_t, 256>, 8>;

constexpr Tables make_tables() {
  Tables t{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xA001u : c >> 1;
    t[0][i] = static_cast<std::uint16_t>(c);
  }
  for (unsigned i = 0; i < 256; ++i)
    for (int k = 1; k < 8; ++k) t[k][i] = static_cast<std::uint16_t>((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
  return t;
}

constexpr Tables kTables = make_tables();

}  // namespace

std::uint16_t crc16(std::uint16_t crc, const void* data, std::size_t n) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  unsigned c = crc;
  while (n >= 8) {
    c ^= p[0] | (p[1] << 8);
    c = kTables[7][c & 0xFF] ^ kTables[6][c >> 8] ^ kTables[5][p[2]] ^ kTables[4][p[3]] ^ kTables[3][p[4]] ^
        kTables[2][p[5]] ^ kTables[1][p[6]] ^ kTables[0][p[7]];
    p += 8;
    n -= 8;
  }
  while (n--) c = (c >> 8) ^ kTables[0][(c ^ *p++) & 0xFF];
  return static_cast<std::uint16_t>(c);
}

}  // namespace relvo::lzh
