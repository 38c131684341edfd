// The Windows programs' resources as the system loads them: the strings in
// their Japanese texts (the script is compiled as UTF-8), icon, menu,
// accelerators, the version block and the manifest.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

HINSTANCE Self() { return GetModuleHandleW(nullptr); }

std::wstring String(UINT id) {
  const wchar_t* p = nullptr;
  const int n = LoadStringW(Self(), id, reinterpret_cast<LPWSTR>(&p), 0);
  return n > 0 ? std::wstring(p, static_cast<std::size_t>(n)) : std::wstring();
}

TEST(Win32Resources, StringsReadAsWritten) {
  const struct {
    UINT id;
    const wchar_t* text;
  } cases[] = {{128, L"Relvo\n\nRelvo\n\n\nRelvo.Document\nRelvo Document"},
               {57344, L"Relvo"},
               {57345, L"ﾚﾃﾞｨ"},
               {57664, L"プログラムの名前、バージョン、著作権を表示します\nバージョン情報"}};
  for (const auto& c : cases) EXPECT_EQ(String(c.id), c.text) << c.id;
}

TEST(Win32Resources, MenuAcceleratorsAndIcon) {
  EXPECT_NE(LoadIconW(Self(), MAKEINTRESOURCEW(128)), nullptr);

  HMENU menu = LoadMenuW(Self(), MAKEINTRESOURCEW(128));
  ASSERT_NE(menu, nullptr);
  std::wstring tops;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t name[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), name, 64, MF_BYPOSITION);
    tops += name + std::wstring(L"|");
  }
  EXPECT_EQ(tops, L"ファイル(&F)|編集(&E)|ヘルプ(&H)|");
  // The about command is on the Help menu.
  wchar_t about[64] = {};
  EXPECT_GT(GetMenuStringW(menu, 57664, about, 64, MF_BYCOMMAND), 0);
  DestroyMenu(menu);

  HACCEL accel = LoadAcceleratorsW(Self(), MAKEINTRESOURCEW(128));
  ASSERT_NE(accel, nullptr);
  ACCEL table[32];
  const int n = CopyAcceleratorTableW(accel, table, 32);
  EXPECT_EQ(n, 13);
  bool ctrlN = false;
  for (int i = 0; i < n; ++i)
    ctrlN = ctrlN || (table[i].key == 'N' && table[i].cmd == 57600 && (table[i].fVirt & FCONTROL));
  EXPECT_TRUE(ctrlN);
}

TEST(Win32Resources, VersionBlockIsJapaneseOneZeroZeroOne) {
  HRSRC r = FindResourceW(Self(), MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));  // RT_VERSION
  ASSERT_NE(r, nullptr);
  const void* data = LockResource(LoadResource(Self(), r));
  const DWORD size = SizeofResource(Self(), r);
  // VerQueryValueW wants a writable copy.
  std::string copy(static_cast<const char*>(data), size);
  void* value = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\", &value, &len));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
  ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\StringFileInfo\\041104b0\\FileVersion", &value, &len));
  EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(value)), L"1, 0, 0, 1");
  ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\StringFileInfo\\041104b0\\FileDescription", &value, &len));
  EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(value)), L"Relvo アップデート ウィザード");
}

TEST(Win32Resources, ManifestAsksForCommonControlsSixAndNoElevation) {
  HRSRC r = FindResourceW(Self(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_NE(r, nullptr);
  const std::string xml(static_cast<const char*>(LockResource(LoadResource(Self(), r))), SizeofResource(Self(), r));
  EXPECT_NE(xml.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(xml.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(xml.find("PerMonitorV2"), std::string::npos);
}

}  // namespace
