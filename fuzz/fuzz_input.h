// Splitting a fuzzer's input into parts.
#pragma once
#include <cstddef>
#include <string_view>

namespace relvo::fuzz {

// The next part of in, up to its next NUL (or all that is left), taken off
// in together with that NUL. Missing parts are empty.
inline std::string_view take(std::string_view& in) {
  const std::size_t z = in.find('\0');
  const std::string_view part = in.substr(0, z);
  in.remove_prefix(z == std::string_view::npos ? in.size() : z + 1);
  return part;
}

}  // namespace relvo::fuzz
