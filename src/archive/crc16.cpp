// CRC-16 (0xA001 reflected). Long runs fold sixteen bytes at a time with
// carry-less multiplication where the processor has it; the rest goes
// through eight tables, eight bytes at a time.
#include "archive/crc16.h"

#include <array>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define RELVO_CRC_CLMUL 1
#endif

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

std::uint32_t crc_tables(std::uint32_t c, const std::uint8_t* p, std::size_t n) {
  while (n >= 8) {
    c ^= p[0] | (p[1] << 8);
    c = kTables[7][c & 0xFF] ^ kTables[6][c >> 8] ^ kTables[5][p[2]] ^ kTables[4][p[3]] ^ kTables[3][p[4]] ^
        kTables[2][p[5]] ^ kTables[1][p[6]] ^ kTables[0][p[7]];
    p += 8;
    n -= 8;
  }
  while (n--) c = (c >> 8) ^ kTables[0][(c ^ *p++) & 0xFF];
  return c;
}

#ifdef RELVO_CRC_CLMUL
// x^e mod P for the generator P = x^16 + x^15 + x^2 + 1, as a 64-bit lane
// in the reflected order the data has (degree d at bit 63 - d).
constexpr std::uint64_t reflected_power(unsigned e) {
  std::uint32_t r = 1;  // normal order: degree d at bit d
  for (unsigned i = 0; i < e; ++i) {
    r <<= 1;
    if (r & 0x10000) r ^= 0x18005;
  }
  std::uint64_t out = 0;
  for (unsigned d = 0; d < 16; ++d)
    if (r >> d & 1) out |= std::uint64_t(1) << (63 - d);
  return out;
}

// A sixteen-byte block loaded little-endian is the message polynomial with
// its first bit as the highest power. Folding keeps a block congruent (mod
// P) with all the data so far: the high half times x^192, the low half
// times x^128, plus the next block. A carry-less product of two reflected
// lanes comes out multiplied by x once more, so the factors are x^191 and
// x^127. What is left is sixteen bytes with the same CRC as the run.
__attribute__((target("pclmul,sse2"))) std::uint32_t crc_clmul(std::uint32_t c, const std::uint8_t* p,
                                                                std::size_t blocks) {
  const __m128i k = _mm_set_epi64x(static_cast<long long>(reflected_power(127)),
                                   static_cast<long long>(reflected_power(191)));
  __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  x = _mm_xor_si128(x, _mm_cvtsi32_si128(static_cast<int>(c)));
  for (std::size_t i = 1; i < blocks; ++i) {
    const __m128i hi = _mm_clmulepi64_si128(x, k, 0x00);  // first lane times x^191
    const __m128i lo = _mm_clmulepi64_si128(x, k, 0x11);  // second lane times x^127
    x = _mm_xor_si128(_mm_xor_si128(hi, lo), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i)));
  }
  std::uint8_t rest[16];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(rest), x);
  return crc_tables(0, rest, 16);
}

bool have_clmul() {
  static const bool yes = __builtin_cpu_supports("pclmul");
  return yes;
}
#endif

}  // namespace

std::uint16_t crc16(std::uint16_t crc, const void* data, std::size_t n) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::uint32_t c = crc;
#ifdef RELVO_CRC_CLMUL
  if (n >= 64 && have_clmul()) {
    const std::size_t blocks = n / 16;
    c = crc_clmul(c, p, blocks);
    p += blocks * 16;
    n -= blocks * 16;
  }
#endif
  return static_cast<std::uint16_t>(crc_tables(c, p, n));
}

}  // namespace relvo::lzh
