// Registry files: regedit's exports (REGEDIT4 in CP932, version 5 in UTF-16
// or UTF-8) and Wine's hives, the two views, and damaged files.
#include "platform/registry_file.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace relvo {
namespace {

using regfile::Format;
using regfile::RegistryFile;

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char* kNoKey = "\x01no key";  // expectations: no key, no value, or the text
constexpr const char* kNoValue = "\x01no value";

std::string look_up(const RegistryFile& f, const std::string& key, const std::string& name = "UninstallString") {
  std::optional<std::string> v = "stale";
  if (!regfile::read_value(f, key, name, v)) return v ? "\x01stale" : kNoKey;
  return v ? *v : kNoValue;
}

// A CP932 text as a UTF-16LE file with its byte order mark.
std::string utf16_file(const std::string& cp932) {
  std::string out = "\xFF\xFE";
  for (char16_t u : enc::cp932_to_utf16(cp932)) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  }
  return out;
}

const std::string kRegedit5 =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Prod]\r\n"
    "\"UninstallString\"=hex(2):43,00,3a,00,5c,00,bd,30,d5,30,c8,30,\\\r\n"
    "  68,88,00,00\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Prod]\r\n"
    "\"UninstallString\"=\"the 64-bit view\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Only64]\r\n"
    "\"uninstallstring\" = \"C:\\\\A \\\"B\\\" -fC:\\\\ソフト\\\\R.LOG\"  \r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Empty32]\r\n"
    "\"Other\"=\"x\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Empty32]\r\n"
    "\"UninstallString\"=\"not reached: the 32-bit key exists\"\r\n"
    "[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\User]\r\n"
    "\"UninstallString\"=\"another root\"\r\n"
    "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Removed]\r\n"
    "\"UninstallString\"=\"removed\"\r\n"
    "[HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Parent\\Child]\r\n"
    "@=\"the default value\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ＶＯＲＮＥＬ Ωж]\r\n"
    "\"ＵninstallString\"=hex(7):43,00,3a,00,5c,00,00,00,44,00,00,00,00,00\r\n"
    "\"Text\"=hex:43,3a,5c,41\r\n";

TEST(RegistryFile, RegeditExports) {
  const std::string regedit4 =
      "REGEDIT4\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\テスト]\r\n"
      "\"UninstallString\"=\"C:\\\\WINDOWS\\\\REMOVE.EXE -fC:\\\\ソフト表\\\\REMOVE.LOG\"\r\n"
      "\"Exp\"=hex(2):43,3a,5c,83,5c,00\r\n"
      "\"Dword\"=dword:00000001\r\n"
      "\"Bin\"=hex:01,02\r\n"
      "\"Multi\"=hex(7):43,3a,5c,83,5c,00,62,00,00\r\n";
  const std::string regedit5 = enc::cp932_to_utf8(kRegedit5);
  const struct {
    std::string file;
    Format format;
    std::string key, name, want;
  } cases[] = {
      {regedit4, Format::Regedit4, "software\\microsoft\\windows\\currentversion\\uninstall\\テスト", "uninstallstring",
       "C:\\WINDOWS\\REMOVE.EXE -fC:\\ソフト表\\REMOVE.LOG"},
      {regedit4, Format::Regedit4, kUninstall + "テスト", "Exp", "C:\\ソ"},  // hex holds CP932 here
      // Read as a buffer that ignores the type: a dword's bytes up to the
      // first NUL, binary data as it is, a multi-string's first string.
      {regedit4, Format::Regedit4, kUninstall + "テスト", "Dword", "\x01"},
      {regedit4, Format::Regedit4, kUninstall + "テスト", "Bin", "\x01\x02"},
      {regedit4, Format::Regedit4, kUninstall + "テスト", "Multi", "C:\\ソ"},
      {regedit4, Format::Regedit4, kUninstall + "テスト", "Missing", kNoValue},
      {regedit4, Format::Regedit4, kUninstall + "テ", "UninstallString", kNoKey},
      {utf16_file(kRegedit5), Format::Regedit5, kUninstall + "Prod", "UninstallString", "C:\\ソフト表"},
      {"\xEF\xBB\xBF" + enc::cp932_to_utf8(kRegedit5), Format::Regedit5, kUninstall + "Prod", "UninstallString",
       "C:\\ソフト表"},
      {regedit5, Format::Regedit5, kUninstall + "Only64", "UninstallString",
       "C:\\A \"B\" -fC:\\ソフト\\R.LOG"},
      {regedit5, Format::Regedit5, kUninstall + "Empty32", "UninstallString", kNoValue},
      {regedit5, Format::Regedit5, kUninstall + "User", "UninstallString", kNoKey},
      {regedit5, Format::Regedit5, kUninstall + "Removed", "UninstallString", kNoKey},
      {regedit5, Format::Regedit5, kUninstall + "Parent", "UninstallString", kNoValue},  // made on the way
      {regedit5, Format::Regedit5, kUninstall + "Parent\\Child\\", "", "the default value"},
      // Names compare as the registry compares them: full-width, Greek and
      // Cyrillic letters without regard to case, never across widths.
      {regedit5, Format::Regedit5, kUninstall + "ｖｏｒｎｅｌ ωЖ", "ｕNINSTALLSTRING", "C:\\"},
      {regedit5, Format::Regedit5, kUninstall + "VORNEL ωЖ", "UninstallString", kNoKey},
      {regedit5, Format::Regedit5, kUninstall + "ＶＯＲＮＥＬ Ωж", "UninstallString", kNoValue},
      {regedit5, Format::Regedit5, kUninstall + "ＶＯＲＮＥＬ Ωж", "Text", "C:\\A"},
  };
  for (const auto& c : cases) {
    const RegistryFile f(c.file);
    EXPECT_EQ(f.format(), c.format) << c.key;
    EXPECT_EQ(look_up(f, c.key, c.name), c.want) << c.key << " " << c.name;
  }
}

TEST(RegistryFile, WineHives) {
  const std::string hive =
      "WINE REGISTRY Version 2\n"
      ";; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n\n"
      "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\\\x30c6\\x30b9\\x30c8] 1796779160\n"
      "#time=1dd877b5111a9b2\n"
      "\"UninstallString\"=\"C:\\\\WINDOWS\\\\REMOVE.EXE -fC:\\\\TOOLS\\\\SAMPLE\\\\REMOVE.LOG\"\n"
      "\"Escapes\"=\"\\x30bd\\\"q\\\"\\x41z\\t\\101\\xd83d\\xde00!\"\n"
      "\"Cut\"=\"before\\0after\"\n"
      "\"Multi\"=str(7):\"a\\0b\\0\"\n"
      "\"Binary\"=hex(1):43,00,3a,00\n"
      "\"Odd\"=hex(2):43,00,3a\n"
      "\n[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Sample32] 1796779216\n"
      "\"UninstallString\"=str(2):\"%SystemRoot%\\\\REMOVE.EXE -fD:\\\\SAMPLE.LOG -c\"\n"
      "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Sample32] 1796779216\n"
      "\"UninstallString\"=\"the 64-bit view\"\n"
      "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\A\\]B] 1\n"
      "@=\"bracket\"\n";
  const RegistryFile f(hive);
  EXPECT_EQ(f.format(), Format::WineHive);
  const struct {
    std::string key, name, want;
  } cases[] = {
      {kUninstall + "テスト", "UninstallString", "C:\\WINDOWS\\REMOVE.EXE -fC:\\TOOLS\\SAMPLE\\REMOVE.LOG"},
      {kUninstall + "テスト", "Escapes", "ソ\"q\"Az\tA?!"},  // U+1F600 is not in CP932
      {kUninstall + "テスト", "Cut", "before"},
      {kUninstall + "テスト", "Multi", "a"},
      {kUninstall + "テスト", "Binary", "C:"},
      {kUninstall + "テスト", "Odd", "C"},
      {kUninstall + "Sample32", "UninstallString", "%SystemRoot%\\REMOVE.EXE -fD:\\SAMPLE.LOG -c"},
      {kUninstall + "A]B", "", "bracket"},
  };
  for (const auto& c : cases) EXPECT_EQ(look_up(f, c.key, c.name), c.want) << c.key << " " << c.name;

  // A hive of another root holds no machine key.
  std::string user = hive;
  user.replace(user.find("Machine"), 7, "User\\\\S-1-5-21-0-0-0-1000");
  EXPECT_EQ(look_up(RegistryFile(user), kUninstall + "テスト"), kNoKey);
}

TEST(RegistryFile, DamagedFilesGiveNoKeyOrNoValue) {
  const std::string head = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\r\n";
  const struct {
    std::string file, want;
  } cases[] = {
      {"", kNoKey},
      {"REGEDIT5\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\r\n\"V\"=\"x\"\r\n", kNoKey},
      {"\xFE\xFFREGEDIT4", kNoKey},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\K\r\n\"V\"=\"x\"\r\n", kNoKey},
      {head + "\"V\"=\"unterminated\r\n", kNoValue},
      {head + "\"V\"=\"x\" trailing\r\n", kNoValue},
      {head + "\"V\"=\"x\"\r\n\"V\"=hex:00\r\n", ""},  // the last line decides
      {head + "\"V\"=dword:0001\r\n", kNoValue},
      {head + "\"V\"=hex:00\r\n\"v\"=\"last\"\r\n", "last"},
      {head + "\"V\"=\"first\"\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\r\n\"V\"=\"again\"\r\n", "again"},
      {head + "\"V\"=-\r\n", kNoValue},
      {head + "\"V\"=hex(2):4g,00\r\n", kNoValue},
      {head + "\"V\"=hex(2):41,,42\r\n", kNoValue},
      {head + "\"V\"=hex(2):141\r\n", kNoValue},
      {head + "\"V\"=hex(2):41,42,\\\r\n", kNoValue},  // continued past the end
      {head + "\"V\"=hex(2):41,\\\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\r\n", kNoValue},  // not a header there
      {head + "\"V\"=hex(2):41,\\\r\n  42,\r\n", "AB"},
      {head + "\"V\"=hex(ffffffff1):41\r\n", kNoValue},
      {head + "\"V\"=str(2):\"x\"\r\n", kNoValue},  // a Wine form, not regedit's
      {head + "\"V\"=\"a\\tb\\\\c\"\r\n", "a\\tb\\c"},  // regedit keeps unknown escapes
      {head + "V=\"x\"\r\n", kNoValue},
  };
  for (const auto& c : cases) EXPECT_EQ(look_up(RegistryFile(c.file), "SOFTWARE\\K", "V"), c.want) << c.file;
}

// A key past the registry's own limits (a name of 255 characters, 512
// levels) is no key, whatever the file says; one at the limits is.
TEST(RegistryFile, KeysPastTheRegistrysLimitsDefineNothing) {
  auto levels = [](int n) {
    std::string key = "SOFTWARE";
    for (int i = 1; i < n; ++i) key += "\\a";
    return key;
  };
  std::string wide;  // 255 characters of two bytes each
  for (int i = 0; i < 255; ++i) wide += "ソ";
  const struct {
    std::string key, want;
  } cases[] = {
      {levels(512), "x"},
      {levels(513), kNoKey},
      {"SOFTWARE\\" + std::string(255, 'k'), "x"},
      {"SOFTWARE\\" + std::string(256, 'k'), kNoKey},
      {"SOFTWARE\\" + wide, "x"},
      {"SOFTWARE\\" + wide + "k", kNoKey},
  };
  for (const auto& c : cases) {
    const std::string file = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\" + c.key + "]\r\n\"V\"=\"x\"\r\n";
    EXPECT_EQ(look_up(RegistryFile(file), c.key, "V"), c.want) << c.key.size();
  }
}

TEST(RegistryFile, TruncatedFilesNeverGiveAPartialText) {
  const std::string full = "C:\\WINDOWS\\REMOVE.EXE -fC:\\ソフト表\\REMOVE.LOG";
  const std::string files[] = {
      "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\K\\テスト]\r\n\"Bin\"=hex:01,02,\\\r\n  03\r\n"
      "\"V\"=\"C:\\\\WINDOWS\\\\REMOVE.EXE -fC:\\\\ソフト表\\\\REMOVE.LOG\"\r\n",
      "WINE REGISTRY Version 2\n[Software\\\\K\\\\\\x30c6\\x30b9\\x30c8] 1\n\"V\"=\"C:\\\\WINDOWS\\\\REMOVE.EXE "
      "-fC:\\\\\\x30bd\\x30d5\\x30c8\\x8868\\\\REMOVE.LOG\"\n",
      utf16_file("Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\K\\テスト]\r\n"
                 "\"V\"=\"C:\\\\WINDOWS\\\\REMOVE.EXE -fC:\\\\ソフト表\\\\REMOVE.LOG\"\r\n"),
  };
  for (const std::string& file : files) {
    EXPECT_EQ(look_up(RegistryFile(file), "SOFTWARE\\K\\テスト", "V"), full);
    for (std::size_t n = 0; n < file.size(); ++n) {
      const std::string got = look_up(RegistryFile(file.substr(0, n)), "SOFTWARE\\K\\テスト", "V");
      EXPECT_TRUE(got == full || got == kNoKey || got == kNoValue) << n << ": " << got;
    }
  }
}

}  // namespace
}  // namespace relvo
