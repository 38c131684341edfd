// The character tables of CP932 on Windows: the code page 932 API, named
// explicitly so that the result is the same on every Windows locale.
#include <windows.h>

#include <vector>

#include "platform/encoding.h"
#include "platform/encoding_backend.h"
#include "platform/win32/handle.h"

namespace relvo {
namespace enc::detail {

constexpr UINT kCp932 = 932;

bool cp932_run_to_utf16(std::string_view s, std::u16string& out) {
  if (s.empty()) return true;
  const int n = MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return false;
  std::vector<wchar_t> buf(static_cast<std::size_t>(n));
  if (MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()), buf.data(), n) != n)
    return false;
  out.append(buf.begin(), buf.end());
  return true;
}

bool utf16_run_to_cp932(std::u16string_view s, std::string& out) {
  if (s.empty()) return true;
  const auto* w = reinterpret_cast<const wchar_t*>(s.data());
  BOOL used_default = FALSE;
  const int n = WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, w, static_cast<int>(s.size()), nullptr, 0, "?",
                                    &used_default);
  if (n <= 0 || used_default) return false;
  std::string buf(static_cast<std::size_t>(n), '\0');
  if (WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, w, static_cast<int>(s.size()), buf.data(), n, "?",
                          &used_default) != n ||
      used_default)
    return false;
  out += buf;
  return true;
}

}  // namespace enc::detail

namespace win32 {

std::wstring widen(const std::string& cp932) {
  const std::u16string u = enc::cp932_to_utf16(cp932);
  return std::wstring(u.begin(), u.end());
}

std::string narrow(const std::wstring& wide) {
  return enc::utf16_to_cp932(std::u16string(wide.begin(), wide.end()));
}

}  // namespace win32
}  // namespace relvo
