// C-runtime-like decimal conversion with a defined result on overflow.
#include "base/cnum.h"

#include <limits>

namespace relvo {

std::int32_t c_atoi(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  std::int64_t value = 0;
  constexpr std::int64_t limit = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    value = value * 10 + (s[i] - '0');
    if (value > limit) value = limit;  // saturate; keeps the product small
  }
  if (negative) return static_cast<std::int32_t>(-value);
  return value >= limit ? std::numeric_limits<std::int32_t>::max() : static_cast<std::int32_t>(value);
}

}  // namespace relvo
