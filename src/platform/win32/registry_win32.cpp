// The registry on Windows: keys opened for reading only, the 32-bit view
// before the 64-bit one, values read whole through the W calls.
#include <windows.h>

#include <cstring>
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

// The types the ANSI query converts to the code page.
bool is_string(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// The value as the ANSI query puts it into a character buffer, read whole,
// up to its first NUL: a string's text (a multi-string's first string),
// the bytes of any other type. nullopt when it is missing or grew between
// the size query and the read.
std::optional<std::string> read_text(HKEY key, const std::wstring& name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  std::vector<BYTE> buf(size + sizeof(wchar_t), 0);
  DWORD got = size;
  if (RegQueryValueExW(key, name.c_str(), nullptr, &type, buf.data(), &got) != ERROR_SUCCESS) return std::nullopt;
  if (!is_string(type)) {
    std::string bytes(reinterpret_cast<const char*>(buf.data()), got);
    return bytes.substr(0, bytes.find('\0'));
  }
  std::wstring text(got / sizeof(wchar_t), L'\0');
  std::memcpy(text.data(), buf.data(), text.size() * sizeof(wchar_t));
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
      value = read_text(k.get(), win32::widen(valueName));
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
