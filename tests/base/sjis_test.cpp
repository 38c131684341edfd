// Shift-JIS helpers: trail bytes that look like '\' or ASCII letters must
// never be split, cased or taken for separators.
#include "base/sjis.h"

#include <gtest/gtest.h>

namespace relvo::sjis {
namespace {

// "ア" is 83 41, "ヂ" is 83 61, "ソ" is 83 5C, "表" is 95 5C.
TEST(SjisLiterals, CompiledAsCp932) {
  EXPECT_EQ(std::string("\x83\x41"), "ア");
  EXPECT_EQ(std::string("\x83\x5C"), "ソ");
  EXPECT_EQ(std::string("\x95\x5C"), "表");
}

TEST(Sjis, ToUpperTouchesOnlySingleByteLetters) {
  struct Case { const char* in; const char* out; } cases[] = {
      {"abc", "ABC"},
      {"ヂa", "ヂA"},             // 83 61: the trail 'a' stays
      {"data\\sys1", "DATA\\SYS1"},
      {"ｱｲｳabc", "ｱｲｳABC"},       // half-width kana are single bytes, not letters
      {"ソz表y", "ソZ表Y"},
      {"a\x83", "A\x83"},          // a dangling lead byte at the end
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(to_upper(c.in), c.out) << c.in;
}

TEST(Sjis, FindStaysOnCharacterBoundaries) {
  struct Case { std::string hay, needle; std::size_t pos; } cases[] = {
      {"ヂa", "a", 2},              // the 'a' inside ヂ (83 61) is not a match
      {"ヂ", "a", std::string::npos},
      {"ア", "A", std::string::npos},
      {"xﾍﾞﾙﾄﾗﾝy", "ﾍﾞﾙﾄﾗﾝ", 1},
      {"abc", "", 0},
      {"表示", "\x5C", std::string::npos},
      {"ab", "abc", std::string::npos},
  };
  for (const auto& c : cases) EXPECT_EQ(find(c.hay, c.needle), c.pos) << c.hay << " / " << c.needle;
}

TEST(Sjis, LastSeparatorSkipsTrailBytes) {
  struct Case { std::string s; std::size_t pos; } cases[] = {
      {"C:\\ソフト", 2},
      {"C:\\dir\\表", 6},
      {"ソ", std::string::npos},
      {"a/b\\c", 3},
      {"", std::string::npos},
  };
  for (const auto& c : cases) EXPECT_EQ(find_last_separator(c.s), c.pos) << c.s;
  EXPECT_FALSE(ends_with_separator("C:\\ソ"));
  EXPECT_TRUE(ends_with_separator("C:\\ソ\\"));
}

TEST(Sjis, SplitPathLikeTheRuntime) {
  struct Case { std::string in, drive, dir, base, ext; } cases[] = {
      {"C:\\UPD\\DISK1\\relvo.exe", "C:", "\\UPD\\DISK1\\", "relvo", ".exe"},
      {"A:\\relvo.exe", "A:", "\\", "relvo", ".exe"},
      {"DATA\\START", "", "DATA\\", "START", ""},
      {"C:\\ソフト\\表.ini", "C:", "\\ソフト\\", "表", ".ini"},
      {"dir.x\\name", "", "dir.x\\", "name", ""},
      {"a.b.c", "", "", "a.b", ".c"},
      {"/usr/bin/relvo", "", "/usr/bin/", "relvo", ""},
      {"master21.mst", "", "", "master21", ".mst"},
  };
  for (const auto& c : cases) {
    const SplitPath p = split_path(c.in);
    EXPECT_EQ(p.drive, c.drive) << c.in;
    EXPECT_EQ(p.dir, c.dir) << c.in;
    EXPECT_EQ(p.base, c.base) << c.in;
    EXPECT_EQ(p.ext, c.ext) << c.in;
  }
}

TEST(Sjis, CaseInsensitiveCompareAndWildcards) {
  EXPECT_TRUE(iequals("Vornel1.INI", "vornel1.ini"));
  EXPECT_FALSE(iequals("ア", "\x83\x61"));  // ア vs ヂ: trail bytes compare exactly
  EXPECT_LT(icompare("abc", "ABD"), 0);
  EXPECT_GT(icompare("b", "A"), 0);
  EXPECT_LT(icompare("ab", "abc"), 0);

  struct Case { const char* pattern; std::string name; bool match; } cases[] = {
      {"zai???-3.mst", "zai001-3.mst", true},
      {"zai???-3.mst", "ZAI001-3.MST", true},
      {"zai???-3.mst", "zai01-3.mst", false},   // ? is exactly one character
      {"zai???-3.mst", "zai0001-3.mst", false},
      {"zai???-3.mst", "zai表12-3.mst", true},  // a double-byte character is one
      {"zai???-3.mst", "zai表1-3.mst", false},
      {"zai???-3.mst", "zai001-3.mst.bak", false},
      {"*.*", "a", true},                       // as on Windows, "*.*" also takes names without a dot
      {"a.*", "a", true},
      {"a.*", "ab", false},
      {"*", "", true},
      {"*.lzh", "x.LZH", true},
      {"a*b*c", "aXbYbZc", true},
      {"a*b*c", "aXbYbZ", false},
  };
  for (const auto& c : cases) EXPECT_EQ(wildcard_match(c.pattern, c.name), c.match) << c.pattern << " / " << c.name;
}

}  // namespace
}  // namespace relvo::sjis
