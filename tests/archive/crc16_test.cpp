// CRC-16 against its bit-by-bit definition, across the lengths, offsets and
// start values at which its table and folding paths hand over to each other.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "archive/crc16.h"

namespace relvo::lzh {
namespace {

std::uint16_t crc_by_bits(std::uint16_t crc, const std::uint8_t* p, std::size_t n) {
  unsigned c = crc;
  while (n--) {
    c ^= *p++;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xA001u : c >> 1;
  }
  return static_cast<std::uint16_t>(c);
}

std::vector<std::uint8_t> noise(std::size_t n) {
  std::vector<std::uint8_t> v(n);
  std::uint32_t x = 77;
  for (auto& b : v) {
    x = x * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(x >> 16);
  }
  return v;
}

TEST(Crc16, KnownValues) {
  const struct {
    const char* text;
    std::uint16_t want;
  } cases[] = {
      {"", 0x0000},
      {"123456789", 0xBB3D},  // the check value of this CRC (ARC)
      {"a", 0xE8C1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(crc16(0, c.text, std::char_traits<char>::length(c.text)), c.want);
  }
}

TEST(Crc16, MatchesTheBitwiseDefinition) {
  const auto data = noise(4096 + 64);
  const std::size_t lengths[] = {0, 1, 7, 8, 15, 16, 17, 31, 32, 63, 64, 65, 79, 80, 127, 128, 129, 255, 1000, 4096};
  for (std::size_t n : lengths)
    for (std::size_t off : {0u, 1u, 3u, 13u})
      for (std::uint16_t start : {0x0000, 0x0001, 0x8000, 0xBEEF, 0xFFFF}) {
        SCOPED_TRACE(::testing::Message() << "n=" << n << " off=" << off << " start=" << start);
        EXPECT_EQ(crc16(start, data.data() + off, n), crc_by_bits(start, data.data() + off, n));
      }
}

TEST(Crc16, PiecesChainToTheWhole) {
  const auto data = noise(3000);
  const std::uint16_t whole = crc_by_bits(0, data.data(), data.size());
  for (std::size_t cut : {0u, 1u, 16u, 63u, 64u, 100u, 2999u, 3000u}) {
    SCOPED_TRACE(cut);
    const std::uint16_t first = crc16(0, data.data(), cut);
    EXPECT_EQ(crc16(first, data.data() + cut, data.size() - cut), whole);
  }
}

}  // namespace
}  // namespace relvo::lzh
