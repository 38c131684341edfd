// The registry on Windows: keys opened for reading only, the 32-bit view
// before the 64-bit one, string values read whole through the W calls.
#include <windows.h>

#include <vector>

#include "platform/registry.h"
#include "platform/win32/handle.h"

namespace relvo {
namespace {

// An open registry key, closed on every way out.
class RegKey {
 public:
  RegKey() = default;
  ~RegKey() {
    if (h_) RegCloseKey(h_);
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  HKEY* out() { return &h_; }
  HKEY get() const { return h_; }

 private:
  HKEY h_ = nullptr;
};

bool is_string(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// The value's text when it is a string value that reads whole, up to its
// first NUL; nullopt otherwise (missing, another type, grown between the
// size query and the read).
std::optional<std::string> read_string(HKEY key, const std::wstring& name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || !is_string(type))
    return std::nullopt;
  std::vector<wchar_t> buf(size / sizeof(wchar_t) + 1, L'\0');
  DWORD got = size;
  if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &got) !=
          ERROR_SUCCESS ||
      !is_string(type))
    return std::nullopt;
  std::wstring text(buf.data(), got / sizeof(wchar_t));
  const std::size_t nul = text.find(L'\0');
  if (nul != std::wstring::npos) text.resize(nul);
  return win32::narrow(text);
}

class Win32Registry final : public Registry {
 public:
  bool read_value(const std::string& keyPath, const std::string& valueName,
                  std::optional<std::string>& value) override {
    value.reset();
    const std::wstring key = win32::widen(keyPath);
    // Read access only: every user may read the uninstall entries, only an
    // administrator may open them for writing.
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      RegKey k;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | view, k.out()) != ERROR_SUCCESS)
        continue;
      value = read_string(k.get(), win32::widen(valueName));
      return true;
    }
    return false;
  }
};

}  // namespace

Registry& native_registry() {
  static Win32Registry registry;
  return registry;
}

}  // namespace relvo
