// The C decimal conversion used for every numeric switch of the descriptor.
#include "base/cnum.h"

#include <gtest/gtest.h>

#include <limits>

namespace relvo {
namespace {

TEST(CAtoi, ReadsLikeTheRuntime) {
  struct Case { const char* in; std::int32_t out; } cases[] = {
      {"1", 1}, {"01", 1}, {"1x", 1}, {"  1", 1}, {"\t\n 7", 7}, {"+5", 5}, {"-3", -3},
      {"", 0}, {"x1", 0}, {"- 1", 0}, {"2", 2}, {"11", 11}, {"0", 0}, {"１", 0},  // a full-width digit is no digit
      {"2147483647", 2147483647}, {"-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"2147483648", 2147483647}, {"99999999999999999999", 2147483647},
      {"-99999999999999999999", std::numeric_limits<std::int32_t>::min()},
  };
  for (const auto& c : cases) EXPECT_EQ(c_atoi(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace relvo
