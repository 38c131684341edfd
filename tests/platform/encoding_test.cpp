// CP932 <-> UTF-8/UTF-16: one table of expected results that both backends
// (iconv and the code page 932 API) must give byte for byte.
#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace relvo {
namespace {

// Byte strings written as escapes so that the source's own encoding and the
// compiler's execution character set play no part.
const struct {
  const char* name;
  std::string cp932;
  std::string utf8;
} kValid[] = {
    {"ascii with backslash and tilde", "C:\\a~b", "C:\\a~b"},
    {"half-width katakana", "\xB6\xC0\xB6\xC5", "\xEF\xBD\xB6\xEF\xBE\x80\xEF\xBD\xB6\xEF\xBE\x85"},
    {"trail byte 0x5C: so, hyo, no", "\x83\x5C\x95\x5C\x94\x5C", "\xE3\x82\xBD\xE8\xA1\xA8\xE8\x83\xBD"},
    {"wave dash is U+FF5E", "\x81\x60", "\xEF\xBD\x9E"},
    {"full-width backslash", "\x81\x5F", "\xEF\xBC\xBC"},
    {"parallel is U+2225", "\x81\x61", "\xE2\x88\xA5"},
    {"minus is U+FF0D", "\x81\x7C", "\xEF\xBC\x8D"},
    {"not sign", "\x81\xCA", "\xEF\xBF\xA2"},
    {"NEC roman numeral one", "\x87\x54", "\xE2\x85\xA0"},
    {"circled one", "\x87\x40", "\xE2\x91\xA0"},
    {"IBM extension taka", "\xFB\xFC", "\xE9\xAB\x99"},
    {"user-defined first", "\xF0\x40", "\xEE\x80\x80"},
    {"user-defined last", "\xF9\xFC", "\xEE\x9D\x97"},
    {"user-defined after 0x7F gap", "\xF0\x80", "\xEE\x80\xBF"},
    {"ideographic space", "\x81\x40", "\xE3\x80\x80"},
    {"empty", "", ""},
};

TEST(Encoding, ValidTextConvertsBothWays) {
  for (const auto& c : kValid) {
    EXPECT_EQ(enc::cp932_to_utf8(c.cp932), c.utf8) << c.name;
    EXPECT_EQ(enc::utf8_to_cp932(c.utf8), c.cp932) << c.name;
    EXPECT_TRUE(enc::is_valid_cp932(c.cp932)) << c.name;
    const std::u16string w = enc::cp932_to_utf16(c.cp932);
    EXPECT_EQ(enc::utf16_to_cp932(w), c.cp932) << c.name;
  }
}

TEST(Encoding, InvalidCp932BytesBecomeOneReplacementEach) {
  const std::string r = "\xEF\xBF\xBD";  // U+FFFD
  const struct {
    const char* name;
    std::string cp932;
    std::string utf8;
  } cases[] = {
      {"0x80", "\x80", r},
      {"0xA0", "a\xA0z", "a" + r + "z"},
      {"0xFD-0xFF", "\xFD\xFE\xFF", r + r + r},
      {"lead byte at the end", "ab\x81", "ab" + r},
      {"lead byte before a blank", "\x81 x", r + " x"},
      {"lead byte before 0x7F", std::string("\x81\x7F", 2), r + "\x7F"},
      {"unmapped pair keeps its second byte", "\x85\x40", r + "@"},
      {"unmapped pair before a character", "\x85\x83\x5C", r + "\xE3\x82\xBD"},
      {"lead byte before 0xFD", "\x81\xFD", r + r},
      {"bad byte inside good text", "\x83\x5C\xFF\x95\x5C", "\xE3\x82\xBD" + r + "\xE8\xA1\xA8"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(enc::cp932_to_utf8(c.cp932), c.utf8) << c.name;
    EXPECT_FALSE(enc::is_valid_cp932(c.cp932)) << c.name;
  }
}

TEST(Encoding, WhatCp932CannotHoldBecomesAQuestionMark) {
  const struct {
    const char* name;
    std::string utf8;
    std::string cp932;
  } cases[] = {
      {"e acute", "caf\xC3\xA9", "caf?"},
      {"yen sign has no exact mapping", "\xC2\xA5", "?"},
      {"emoji is one character", "a\xF0\x9F\x98\x80z", "a?z"},
      {"stray continuation byte", "a\x80z", "a?z"},
      {"truncated sequence, one per byte", "\xE3\x82", "??"},
      {"overlong slash", "\xC0\xAF", "??"},
      {"encoded surrogate", "\xED\xA0\x80", "???"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", "????"},
      {"replacement character", "\xEF\xBF\xBD", "?"},
      {"mixed", "\xE3\x82\xBD\xC3\xA9\xE8\xA1\xA8", "\x83\x5C?\x95\x5C"},
  };
  for (const auto& c : cases) EXPECT_EQ(enc::utf8_to_cp932(c.utf8), c.cp932) << c.name;

  const std::u16string lone_high = {u'a', char16_t(0xD800), u'b'};
  const std::u16string lone_low = {char16_t(0xDC00)};
  const std::u16string pair = {char16_t(0xD83D), char16_t(0xDE00), u'\x30BD'};
  EXPECT_EQ(enc::utf16_to_cp932(lone_high), "a?b");
  EXPECT_EQ(enc::utf16_to_cp932(lone_low), "?");
  EXPECT_EQ(enc::utf16_to_cp932(pair), "?\x83\x5C");
}

// Every CP932 double-byte code decodes either to one character that encodes
// back to a code of the same character, or to a replacement followed by its
// second byte read alone.
TEST(Encoding, EveryDoubleByteCodeRoundTrips) {
  int mapped = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const std::string code = {static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string w = enc::cp932_to_utf16(code);
      ASSERT_FALSE(w.empty());
      if (w[0] == 0xFFFD) {
        EXPECT_FALSE(enc::is_valid_cp932(code));
        EXPECT_EQ(w.size(), 2u) << std::hex << lead << trail;
        continue;
      }
      ++mapped;
      ASSERT_EQ(w.size(), 1u) << std::hex << lead << trail;
      const std::string back = enc::utf16_to_cp932(w);
      EXPECT_EQ(enc::cp932_to_utf16(back), w) << std::hex << lead << trail;
    }
  }
  // JIS X 0208 (6879), NEC row 13 (83), NEC-selected IBM (374), IBM (388)
  // and the user-defined area (1880).
  EXPECT_EQ(mapped, 6879 + 83 + 374 + 388 + 1880);
}

// Every character of the Basic Multilingual Plane that CP932 holds comes
// back as itself; the others become '?'.
TEST(Encoding, EveryBmpCharacterEncodesExactlyOrAsQuestionMark) {
  int held = 0;
  for (char32_t c = 0x80; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const std::u16string w(1, static_cast<char16_t>(c));
    const std::string b = enc::utf16_to_cp932(w);
    if (b == "?") continue;
    ++held;
    ASSERT_EQ(enc::cp932_to_utf16(b), w) << std::hex << static_cast<unsigned>(c);
  }
  EXPECT_GT(held, 9000);
}

}  // namespace
}  // namespace relvo
