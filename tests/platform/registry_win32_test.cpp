// The Windows registry: keys written under HKEY_LOCAL_MACHINE in both views
// of the test prefix, read back through native_registry().
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/registry.h"
#include "platform/win32/handle.h"

namespace relvo {
namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char* kNoKey = "\x01no key";
constexpr const char* kNoValue = "\x01no value";

// A key made for one test in one view, deleted afterwards.
class TestKey {
 public:
  TestKey(const std::string& name, REGSAM view) : path_(win32::widen(kUninstall + name)), view_(view) {
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &h_,
                              nullptr),
              ERROR_SUCCESS);
  }
  ~TestKey() {
    if (h_) RegCloseKey(h_);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), view_, 0);
  }
  void set(const char* name, DWORD type, const std::wstring& text) const {
    set(name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  void set(const char* name, DWORD type, const void* data, DWORD size) const {
    EXPECT_EQ(RegSetValueExW(h_, win32::widen(name).c_str(), 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
  }

 private:
  std::wstring path_;
  REGSAM view_;
  HKEY h_ = nullptr;
};

std::string look_up(const std::string& name) {
  std::optional<std::string> v;
  if (!native_registry().read_value(kUninstall + name, "UninstallString", v)) return kNoKey;
  return v ? *v : kNoValue;
}

TEST(Win32Registry, BothViewsReadOnly) {
  // Other test runs may share the prefix: names of this process only.
  const std::string id = "RelvoTest" + std::to_string(GetCurrentProcessId());
  const std::string jp = "C:\\ソフト表\\REMOVE.EXE -fC:\\ソフト表\\REMOVE.LOG";
  const std::wstring long_text(70000, L'x');
  TestKey only32(id + "A", KEY_WOW64_32KEY), only64(id + "テスト", KEY_WOW64_64KEY);
  only32.set("UninstallString", REG_EXPAND_SZ, L"%SystemRoot%\\REMOVE.EXE -fD:\\SAMPLE.LOG -c");
  only64.set("UninstallString", REG_SZ, win32::widen(jp));
  TestKey both32(id + "B", KEY_WOW64_32KEY), both64(id + "B", KEY_WOW64_64KEY);
  both32.set("UninstallString", REG_SZ, L"from the 32-bit view");
  both64.set("UninstallString", REG_SZ, L"from the 64-bit view");
  TestKey empty32(id + "C", KEY_WOW64_32KEY), full64(id + "C", KEY_WOW64_64KEY);
  empty32.set("Other", REG_SZ, L"x");
  full64.set("UninstallString", REG_SZ, L"not reached");
  TestKey dword(id + "D", KEY_WOW64_64KEY), binary(id + "E", KEY_WOW64_64KEY), big(id + "F", KEY_WOW64_64KEY);
  const DWORD one = 1;
  dword.set("UninstallString", REG_DWORD, &one, sizeof one);
  binary.set("UninstallString", REG_BINARY, L"C:\\", 8);
  big.set("UninstallString", REG_SZ, long_text);
  TestKey multi(id + "ＶＯＲ", KEY_WOW64_64KEY);
  multi.set("UninstallString", REG_MULTI_SZ, L"C:\\P\0second\0\0", 26);

  const struct {
    std::string name, want;
  } cases[] = {
      {id + "a", "%SystemRoot%\\REMOVE.EXE -fD:\\SAMPLE.LOG -c"},
      {id + "テスト", jp},
      {id + "B", "from the 32-bit view"},
      {id + "C", kNoValue},  // the first key that opens ends the search
      // Whatever the type, as a buffer that ignores it holds the value: a
      // dword's bytes, binary data up to its first NUL, a multi-string's
      // first string; key names without regard to case, full-width too.
      {id + "D", "\x01"},
      {id + "E", "C"},
      {id + "ｖｏｒ", "C:\\P"},
      {id + "F", std::string(long_text.size(), 'x')},
      {id + "Missing", kNoKey},
  };
  for (const auto& c : cases) EXPECT_EQ(look_up(c.name), c.want) << c.name;
}

}  // namespace
}  // namespace relvo
