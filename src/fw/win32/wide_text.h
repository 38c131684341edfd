// The program's CP932 text as the UTF-16 of the W calls and back, always
// through code page 932, so that the windows read right on any locale.
#pragma once
#include <string>
#include <string_view>

#include "platform/encoding.h"

namespace relvo::fw::win32 {

inline std::wstring Wide(std::string_view cp932) {
  const std::u16string u = enc::cp932_to_utf16(cp932);
  return std::wstring(u.begin(), u.end());
}

inline std::string Narrow(std::wstring_view wide) {
  return enc::utf16_to_cp932(std::u16string(wide.begin(), wide.end()));
}

}  // namespace relvo::fw::win32
