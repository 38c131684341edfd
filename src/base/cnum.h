// The C decimal conversion the product's switches are read with: leading
// blanks, an optional sign, digits; no digits give 0. Defined on overflow.
#pragma once
#include <cstdint>
#include <string_view>

namespace relvo {

// atoi as the C runtime reads a number: leading white space (space, TAB, LF,
// VT, FF, CR) skipped, an optional '+' or '-', then decimal digits up to the
// first other character. No digits give 0. A value beyond the range of int32
// saturates at INT32_MAX or INT32_MIN instead of being undefined.
std::int32_t c_atoi(std::string_view s);

}  // namespace relvo
