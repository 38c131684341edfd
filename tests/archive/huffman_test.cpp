// Code lengths from counts: limited to the longest code the methods allow,
// complete, and as short as the counts permit.
#include <gtest/gtest.h>

#include <vector>

#include "archive/huffman.h"

namespace relvo::lzh {
namespace {

TEST(Huffman, LengthsAreLimitedCompleteAndOptimal) {
  std::vector<std::uint32_t> fibonacci{1, 1};
  while (fibonacci.size() < 40) fibonacci.push_back(fibonacci[fibonacci.size() - 1] + fibonacci[fibonacci.size() - 2]);
  const struct {
    const char* what;
    std::vector<std::uint32_t> freq;
    std::uint64_t best_bits;  // the optimum within 16 bits; 0: not checked
  } cases[] = {
      {"fibonacci (unlimited depth 39)", fibonacci, 0},
      {"510 alike", std::vector<std::uint32_t>(510, 7), 510 * 7 * 9 - 2 * 7},
      {"textbook", {45, 13, 12, 16, 9, 5}, 224},
      {"two", {0, 3, 0, 1}, 4},
      {"one", {0, 0, 9}, 9},
      {"none", {0, 0}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::uint8_t> lens(c.freq.size());
    const unsigned used = code_lengths(c.freq.data(), static_cast<unsigned>(c.freq.size()), 16, lens.data());
    std::uint64_t bits = 0, kraft = 0;  // kraft in units of 2^-16
    unsigned counted = 0;
    for (std::size_t s = 0; s < c.freq.size(); ++s) {
      EXPECT_EQ(lens[s] != 0, c.freq[s] != 0) << s;
      EXPECT_LE(lens[s], 16) << s;
      if (!lens[s]) continue;
      ++counted;
      bits += std::uint64_t(c.freq[s]) * lens[s];
      kraft += std::uint64_t(1) << (16 - lens[s]);
    }
    EXPECT_EQ(used, counted);
    if (used >= 2) {
      EXPECT_EQ(kraft, std::uint64_t(1) << 16);
    }
    if (c.best_bits) {
      EXPECT_EQ(bits, c.best_bits);
    }
  }
}

}  // namespace
}  // namespace relvo::lzh
